#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "net/association_parameters.hpp"
#include "net/requester_association.hpp"
#include "net/service_result.hpp"

namespace norvane {

// The association entry points every SCU uses on a RequesterAssociation of its own:
// OpenAssoc (or OpenAssoc_Ex), any number of message exchanges, CloseAssoc. An association
// object serves one association and is not reopened; destroying it releases one still open.

// Proposes one presentation context (ID 1) for the abstract syntax and connects to the
// peer of `peer` with its time-outs. The transfer syntaxes are `transferSyntax` followed
// by implicit VR little endian, or implicit VR little endian alone when `transferSyntax`
// is empty or that UID itself. An empty calling title is replaced by the default
// "KAVORN          "; both titles are used up to 16 characters. Success when the
// association is open with its context accepted; otherwise Connect's failure, or kLocal
// when a UID is longer than 64 characters (nothing is then connected).
ServiceResult OpenAssoc(RequesterAssociation& pdu, const AssociationParameters& peer,
                        std::string_view abstractSyntax, std::string_view transferSyntax = {});

// As OpenAssoc, proposing the preferred transfer syntax (when given and not implicit VR
// little endian), then the file's transfer syntax (when given, not implicit VR little
// endian and not the preferred one), then implicit VR little endian.
ServiceResult OpenAssoc_Ex(RequesterAssociation& pdu, const AssociationParameters& peer,
                           std::string_view abstractSyntax, std::string_view fileTransferSyntax,
                           std::string_view preferredTransferSyntax);

// As OpenAssoc, proposing these presentation contexts, in order (IDs 1, 3, 5, ...). Success
// when the association is open with at least one context accepted; kLocal, with nothing
// connected, when the proposals cannot be made (none, too many, a UID too long).
ServiceResult OpenAssoc(RequesterAssociation& pdu, const AssociationParameters& peer,
                        const std::vector<ContextProposal>& contexts);

// Releases and closes; sends nothing when the connection is already closed. Always true.
bool CloseAssoc(PDU_Service& pdu);

}  // namespace norvane
