#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "net/pdu_service.hpp"
#include "net/service_result.hpp"

namespace norvane {

// The association entry points every service uses: NewPDU, OpenAssoc (or OpenAssoc_Ex),
// any number of message exchanges, CloseAssoc, DeletePDU. A handle serves one association
// and is not reopened.

// A new association handle, trace off.
std::unique_ptr<PDU_Service> NewPDU();

// Frees the handle; releases the association first when it is still open. Nothing for a
// null handle.
void DeletePDU(std::unique_ptr<PDU_Service> pdu);

// Proposes one presentation context (ID 1) for the abstract syntax and connects. The
// transfer syntaxes are `transferSyntax` followed by implicit VR little endian, or implicit
// VR little endian alone when `transferSyntax` is empty or that UID itself. An empty
// calling title is replaced by the default "KAVORN          ", written back into
// `callingApTitle`; both titles are used up to 16 characters. Success when the association
// is open with its context accepted; otherwise Connect's failure, or kLocal when a UID is
// longer than 64 characters (nothing is then connected).
ServiceResult OpenAssoc(PDU_Service& pdu, std::string_view host, std::string_view port,
                        std::string& callingApTitle, std::string_view calledApTitle,
                        std::string_view abstractSyntax, std::string_view transferSyntax = {});

// As OpenAssoc, proposing the preferred transfer syntax (when given and not implicit VR
// little endian), then the file's transfer syntax (when given, not implicit VR little
// endian and not the preferred one), then implicit VR little endian.
ServiceResult OpenAssoc_Ex(PDU_Service& pdu, std::string_view host, std::string_view port,
                           std::string& callingApTitle, std::string_view calledApTitle,
                           std::string_view abstractSyntax, std::string_view fileTransferSyntax,
                           std::string_view preferredTransferSyntax);

// Releases and closes; sends nothing when the connection is already closed. Always true.
bool CloseAssoc(PDU_Service& pdu);

}  // namespace norvane
