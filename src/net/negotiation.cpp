#include "net/negotiation.hpp"

#include <algorithm>

#include "net/uids.hpp"

namespace norvane {

void SetOwnUserInformation(UserInformation& info) {
  info.maximumLength.maximumLength = kOwnMaximumLength;
  info.SetImplementationClassUID(uid::kImplementationClass);
  info.SetImplementationVersionName(kAssociationVersionName);
}

AAssociateAC AnswerAssociateRQ(const AAssociateRQ& request, const AcceptorPolicy& policy) {
  AAssociateAC answer;
  answer.SetCalledApTitle(request.CalledApTitle());
  answer.SetCallingApTitle(request.CallingApTitle());
  answer.ApplicationContext() = request.ApplicationContext();
  answer.UserInfo() = request.UserInfo();

  // The classes whose objects go to the requester: it asked for the SCP role and gets it.
  const auto sentToRequester = [&](std::string_view sopClass) {
    if (!policy.grantsRequesterScpRole || !policy.grantsRequesterScpRole(sopClass)) return false;
    for (const RoleSelection& role : request.UserInfo().roleSelections) {
      if (role.scpRole && role.SOPClass() == sopClass) return true;
    }
    return false;
  };
  bool anyAccepted = false;
  for (const PresentationContext& proposed : request.PresentationContexts()) {
    PresentationContextAccept item;
    item.SetPresentationContextID(proposed.PresentationContextID());
    const std::string_view abstractSyntax = proposed.AbstractSyntax().Text();
    if (policy.Empty() || !policy.servesAbstractSyntax(abstractSyntax)) {
      item.SetResult(kContextAbstractSyntaxNotSupported);
    } else {
      item.SetAbstractSyntax(abstractSyntax);
      const std::string_view transferSyntax =
          policy.chooseSyntaxToSend && sentToRequester(abstractSyntax)
              ? policy.chooseSyntaxToSend(abstractSyntax, proposed.TransferSyntaxes())
              : policy.chooseTransferSyntax(abstractSyntax, proposed.TransferSyntaxes());
      if (transferSyntax.empty()) {
        item.SetResult(kContextTransferSyntaxesNotSupported);
      } else {
        item.SetResult(kContextAcceptance);
        item.SetTransferSyntax(transferSyntax);
        anyAccepted = true;
      }
    }
    answer.AddPresentationContext(std::move(item));
  }
  if (anyAccepted) SetOwnUserInformation(answer.UserInfo());
  // Every proposed role is answered; only the policy grants the requester the SCP role.
  std::vector<RoleSelection>& roles = answer.UserInfo().roleSelections;
  roles.clear();
  for (const RoleSelection& proposed : request.UserInfo().roleSelections) {
    roles.push_back(AnswerRoles(proposed, sentToRequester(proposed.SOPClass())));
  }
  return answer;
}

std::string AnswerViolation(const AAssociateRQ& request, const AAssociateAC& answer) {
  std::vector<bool> answered(256, false);
  for (const PresentationContextAccept& item : answer.PresentationContexts()) {
    const uint8_t id = item.PresentationContextID();
    const std::string which = "presentation context " + std::to_string(id);
    const PresentationContext* proposed = nullptr;
    for (const PresentationContext& context : request.PresentationContexts()) {
      if (context.PresentationContextID() == id) proposed = &context;
    }
    if (proposed == nullptr) return "it answers " + which + ", which was not proposed";
    if (answered[id]) return "it answers " + which + " twice";
    answered[id] = true;
    if (item.Result() != kContextAcceptance) continue;
    const std::string_view syntax = item.TransferSyntax().Text();
    const std::vector<UIDitem>& offered = proposed->TransferSyntaxes();
    if (std::none_of(offered.begin(), offered.end(),
                     [&](const UIDitem& uid) { return uid.Text() == syntax; })) {
      return "it accepts " + which + " with the transfer syntax " + std::string(syntax) +
             ", which was not proposed for it";
    }
  }
  return {};
}

std::vector<NegotiatedContext> NegotiatedContexts(const AAssociateRQ& request,
                                                  const AAssociateAC& answer) {
  std::vector<NegotiatedContext> contexts;
  contexts.reserve(request.PresentationContexts().size());
  for (const PresentationContext& proposed : request.PresentationContexts()) {
    NegotiatedContext context;
    context.id = proposed.PresentationContextID();
    context.abstractSyntax = proposed.AbstractSyntax().Text();
    for (const PresentationContextAccept& item : answer.PresentationContexts()) {
      if (item.PresentationContextID() != context.id) continue;
      context.result = item.Result();
      if (context.Accepted()) context.transferSyntax = item.TransferSyntax().Text();
      break;
    }
    contexts.push_back(std::move(context));
  }
  return contexts;
}

}  // namespace norvane
