#pragma once

// Sending one DICOM file with C-STORE over an association of its own, and the steps it
// shares with series sending.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dimse/store_result.hpp"
#include "elements/tag_record.hpp"
#include "net/association_parameters.hpp"
#include "net/pdu_service.hpp"

namespace norvane {

// Sends the file to the peer: loads it, opens an association with one presentation
// context per transfer syntax the file can go out in (StoreContexts: the preferred syntax
// unless the class is a non-image one, the file's own, implicit VR little endian; the
// others than its own only when `convert` allows and the conversion reaches them), sends
// one C-STORE-RQ on the first accepted of them (converting the data set to its syntax when
// that is not the file's own), reads the response and releases. The association trace is
// on when the log level is above 1. Nothing is connected when the file cannot be read or
// has no SOP class. Success only for status 0x0000; an association that cannot be opened
// gives its failure, with the reason "no association: ...".
StoreResult StoreSCU(const AssociationParameters& peer, const std::string& fileName,
                     std::string_view preferredTransferSyntax, bool convert);

// The preferred syntax to propose for a SOP class: none for the non-image classes.
std::string_view PreferredSyntaxFor(std::string_view sopClass,
                                    std::string_view preferredTransferSyntax);

// Reads a file for sending into `dataset`, filling result.fileSyntax and result.sopClass
// (the SOP Class UID as text, blanks and NULs trimmed). False, with a kLocal failure in
// `result` saying why, when the file cannot be read whole, has no Transfer Syntax UID, or that UID
// is longer than 64 characters. The SOP class is not checked here.
bool LoadObjectForStore(const std::string& fileName, TagList& dataset, StoreResult& result);

// The contexts StoreSCU would propose for the file, planned from its header (DICOMHeader)
// without its pixel data read. Nullopt when the header does not settle them: the file ends
// before a Pixel Data whose whole value it holds, or has a Transfer Syntax UID or SOP Class
// UID missing or unusable; LoadObjectForStore then reads it whole and tells.
std::optional<std::vector<ContextProposal>> StoreContextsFromHeader(
    const std::string& fileName, std::string_view preferredTransferSyntax, bool convert);

// False, with a kLocal failure in `result` saying why, when result.sopClass cannot name a
// presentation context: empty, or longer than 64 characters.
bool UsableSOPClass(StoreResult& result);

// One C-STORE exchange on an open association: the request for the data set under
// `sopClass`, whose file syntax is result.fileSyntax, on the accepted context SendStoreRQ
// chooses with the preferred syntax, then the response. Fills the result's failure, status
// and syntax fields.
void ExchangeStore(PDU_Service& pdu, const TagList& dataset, std::string_view sopClass,
                   bool convert, StoreResult& result,
                   std::string_view preferredTransferSyntax = {});

}  // namespace norvane
