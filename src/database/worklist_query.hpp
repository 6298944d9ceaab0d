#pragma once

// The modality worklist answered from a folder of worklist files.

#include <string>

#include "database/query_answer.hpp"
#include "elements/tag_record.hpp"

namespace norvane {

// The extension of the worklist files read from the folder, as DCMTK's worklist SCP has it.
inline constexpr std::string_view kWorklistFileExtension = ".wl";

// Answers a modality worklist C-FIND identifier (encoded little endian, explicit VR when
// `explicitVR`) from the worklist files in `folder`: every regular file named "*.wl", a
// DICOM file in a little endian transfer syntax as dump2dcm writes it, in name order;
// others are passed over. A file matches when every key matches (MatchesKey) the file's
// attribute; a key that is a sequence, such as the Scheduled Procedure Step Sequence,
// matches when one item of the file's sequence matches every key of the key's item, and
// one whose keys are all universal matches always. Each match answers every key in the
// request's order with the file's value: a sequence key with the file's items that
// matched, answered in turn (all items when the key has none). The identifier is invalid
// when its nesting cannot be read. A file that cannot be read whole, or that holds no
// Scheduled Procedure Step Sequence with an item (a file cut short, an empty one), is never
// an item: it is passed over and named in `skipped`. Each match is handed to `visit` as it
// is found; the query stops when `visit` gives false.
QueryAnswer QueryWorklist(const std::string& folder, const TagList& identifier, bool explicitVR,
                          const MatchVisitor& visit);
// The same, gathering every match in `matches`.
QueryAnswer QueryWorklist(const std::string& folder, const TagList& identifier, bool explicitVR);

}  // namespace norvane
