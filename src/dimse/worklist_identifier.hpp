#pragma once

// The modality worklist identifier, with its Scheduled Procedure Step Sequence, and the
// reading of worklist responses.

#include "datadec/element_reader.hpp"
#include "dimse/worklist_item.hpp"
#include "elements/tag_record.hpp"

namespace norvane {

// Appends the 26 elements of a worklist query: the patient and request keys, then the
// Scheduled Procedure Step Sequence (0040,0100) as one item of undefined length with
// explicit item and sequence delimiters, then the requested procedure keys. Return-key
// fields go out empty whatever they hold; `Reserved` is not sent.
void BuildWorklistIdentifier(const TWorklistItem& record, TagList& identifier);

// Fills the record from a response identifier in list order. Top-level keys land in their
// fields. A Scheduled Procedure Step Sequence of undefined length (or empty) is followed
// flat in the list: from there on, step attributes land in their fields too, to the end of
// the response. One of defined length is expanded (read with `encoding`) and its step
// attributes taken from there; a malformed one gives nothing. With several steps, the last
// one's values stay. Elements of length 0 or undefined length are skipped.
void ParseWorklistResponse(TWorklistItem& record, const TagList& identifier,
                           const ElementReaderState& encoding = {});

}  // namespace norvane
