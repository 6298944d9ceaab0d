#pragma once

// Sending one DICOM file with C-STORE over an association of its own, and the steps it
// shares with series sending.

#include <string>
#include <string_view>

#include "dimse/store_result.hpp"
#include "elements/tag_record.hpp"
#include "net/pdu_service.hpp"

namespace norvane {

// Sends the file to the peer: loads it, opens an association with one presentation
// context for its SOP class (proposing the preferred syntax unless the class is a
// non-image one or the syntax is empty or implicit VR little endian, then the file's own
// syntax, then implicit VR little endian), sends one C-STORE-RQ (converting the data set
// to the accepted syntax when `convert` allows it), reads the response and releases. The
// association trace is on when the log level is above 1. An empty calling title becomes
// the default title, written back. Nothing is connected when the file cannot be read or
// has no SOP class. Success only for status 0x0000; an association that cannot be opened
// gives its failure, with the reason "no association: ...".
StoreResult StoreSCU(std::string_view host, std::string_view port, std::string& callingApTitle,
                     std::string_view calledApTitle, const std::string& fileName,
                     std::string_view preferredTransferSyntax, bool convert);

// The preferred syntax to propose for a SOP class: none for the non-image classes.
std::string_view PreferredSyntaxFor(std::string_view sopClass,
                                    std::string_view preferredTransferSyntax);

// Reads a file for sending into `dataset`, filling result.fileSyntax and result.sopClass
// (the SOP Class UID as text, blanks and NULs trimmed). False, with a kLocal failure in
// `result` saying why, when the file cannot be read whole, has no Transfer Syntax UID, or that UID
// is longer than 64 characters. The SOP class is not checked here.
bool LoadObjectForStore(const std::string& fileName, TagList& dataset, StoreResult& result);

// False, with a kLocal failure in `result` saying why, when result.sopClass cannot name a
// presentation context: empty, or longer than 64 characters.
bool UsableSOPClass(StoreResult& result);

// One C-STORE exchange on an open association: the request for the data set under
// `sopClass`, whose file syntax is result.fileSyntax, then the response. Fills the
// result's failure, status and syntax fields.
void ExchangeStore(PDU_Service& pdu, const TagList& dataset, std::string_view sopClass,
                   bool convert, StoreResult& result);

}  // namespace norvane
