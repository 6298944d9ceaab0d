#pragma once

// Association negotiation without a connection: the acceptor's answer to a request, and
// what the two sides agreed on. Both are plain functions of the PDUs, so that every rule
// can be tested without a peer.

#include <string>
#include <string_view>
#include <vector>

#include "net/acceptor_policy.hpp"
#include "net/associate_rq_ac.hpp"
#include "net/pdu_layout.hpp"

namespace norvane {

// Implementation version name sent in associations.
inline constexpr std::string_view kAssociationVersionName = "VelmoraVista";

// One presentation context to propose: an abstract syntax and its transfer syntaxes, in
// order.
struct ContextProposal {
  std::string abstractSyntax;
  std::vector<std::string> transferSyntaxes;
};

// One proposed presentation context and what the acceptor answered for it.
struct NegotiatedContext {
  static constexpr int kNotAnswered = -1;

  uint8_t id = 0;
  std::string abstractSyntax;
  // kContextAcceptance, or the reason it was refused; kNotAnswered when the answer left
  // it out.
  int result = kNotAnswered;
  std::string transferSyntax;  // the accepted one; empty unless accepted

  bool Accepted() const { return result == kContextAcceptance; }
};

// Our own maximum PDU length, implementation class UID and version name.
void SetOwnUserInformation(UserInformation& info);

// The A-ASSOCIATE-AC for a request: the titles and application context of the request,
// one answer per proposed context (accepted with the transfer syntax the policy chooses;
// result 3 when the policy does not serve its abstract syntax, 4 when it serves it but no
// proposed transfer syntax is acceptable), the proposed roles answered (the SCP role only
// where the policy grants it), and our own user information when anything was accepted.
AAssociateAC AnswerAssociateRQ(const AAssociateRQ& request, const AcceptorPolicy& policy);

// What makes an answer to the request break the protocol, in words: a context ID answered
// that was not proposed or answered twice, or a context accepted with a transfer syntax
// that was not proposed for it. Empty for an answer that keeps to the request.
std::string AnswerViolation(const AAssociateRQ& request, const AAssociateAC& answer);

// Each proposed context of the request with its answer in `answer`, in proposal order.
std::vector<NegotiatedContext> NegotiatedContexts(const AAssociateRQ& request,
                                                  const AAssociateAC& answer);

}  // namespace norvane
