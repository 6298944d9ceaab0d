#include "dimse/store_contexts.hpp"

#include <algorithm>

#include "convert/reachable_syntaxes.hpp"
#include "datadec/transfer_syntax.hpp"
#include "dimse/store_scu.hpp"
#include "net/pdu_layout.hpp"

namespace norvane {

std::vector<std::string> SendableSyntaxes(const TagList& dataset, std::string_view fileSyntax,
                                          bool convert) {
  const std::string_view own = UidText(fileSyntax);
  return convert ? ReachableTransferSyntaxes(dataset, own)
                 : std::vector<std::string>{std::string(own)};
}

std::vector<std::string> SendableSyntaxes(const TagList& header, const TagRecord& pixelDataHeader,
                                          std::string_view fileSyntax, bool convert) {
  const std::string_view own = UidText(fileSyntax);
  return convert ? ReachableTransferSyntaxes(header, pixelDataHeader, own)
                 : std::vector<std::string>{std::string(own)};
}

std::vector<std::string> StoreSyntaxes(const std::vector<std::string>& sendable,
                                       std::string_view sopClass, std::string_view fileSyntax,
                                       std::string_view preferredSyntax) {
  const std::string_view preferred = UidText(PreferredSyntaxFor(sopClass, preferredSyntax));
  std::vector<std::string> syntaxes;
  for (const std::string_view candidate :
       {preferred, UidText(fileSyntax), kImplicitVRLittleEndian}) {
    const bool canGo = std::find(sendable.begin(), sendable.end(), candidate) != sendable.end();
    const bool listed = std::find(syntaxes.begin(), syntaxes.end(), candidate) != syntaxes.end();
    if (!candidate.empty() && canGo && !listed) syntaxes.emplace_back(candidate);
  }
  return syntaxes;
}

std::vector<std::string> StoreSyntaxes(const TagList& dataset, std::string_view sopClass,
                                       std::string_view fileSyntax,
                                       std::string_view preferredSyntax, bool convert) {
  return StoreSyntaxes(SendableSyntaxes(dataset, fileSyntax, convert), sopClass, fileSyntax,
                       preferredSyntax);
}

std::vector<ContextProposal> StoreContexts(const TagList& dataset, std::string_view sopClass,
                                           std::string_view fileSyntax,
                                           std::string_view preferredSyntax, bool convert) {
  return StoreContexts(SendableSyntaxes(dataset, fileSyntax, convert), sopClass, fileSyntax,
                       preferredSyntax);
}

std::vector<ContextProposal> StoreContexts(const std::vector<std::string>& sendable,
                                           std::string_view sopClass, std::string_view fileSyntax,
                                           std::string_view preferredSyntax) {
  std::vector<ContextProposal> contexts;
  for (std::string& syntax : StoreSyntaxes(sendable, sopClass, fileSyntax, preferredSyntax)) {
    contexts.push_back(ContextProposal{std::string(sopClass), {std::move(syntax)}});
  }
  return contexts;
}

ServiceResult WithProposal(ServiceResult association, const std::vector<ContextProposal>& contexts,
                           bool convert) {
  if (association.failure != ServiceFailure::kNoPresentationContext || contexts.empty()) {
    return association;
  }
  std::string syntaxes;
  for (const ContextProposal& context : contexts) {
    for (const std::string& syntax : context.transferSyntaxes) {
      syntaxes += (syntaxes.empty() ? "" : ", ") + syntax;
    }
  }
  association.reason += ": proposed for SOP class " + contexts.front().abstractSyntax + ": " +
                        syntaxes + (convert ? "" : "; conversion is off");
  return association;
}

std::vector<AcceptedContext> AcceptedContextsFor(const PDU_Service& pdu,
                                                 std::string_view sopClass) {
  std::vector<AcceptedContext> accepted;
  for (const NegotiatedContext& context : pdu.Contexts()) {
    if (context.abstractSyntax == sopClass && context.Accepted()) {
      accepted.push_back(AcceptedContext{context.id, context.transferSyntax});
    }
  }
  return accepted;
}

std::optional<AcceptedContext> ChooseContext(const std::vector<AcceptedContext>& accepted,
                                             const std::vector<std::string>& sendable,
                                             std::string_view sopClass, std::string_view fileSyntax,
                                             std::string_view preferredSyntax) {
  const auto acceptedIn = [&](std::string_view syntax) {
    return std::find_if(accepted.begin(), accepted.end(), [&](const AcceptedContext& context) {
      return UidText(context.transferSyntax) == syntax;
    });
  };
  for (const std::string& syntax : StoreSyntaxes(sendable, sopClass, fileSyntax, preferredSyntax)) {
    if (const auto it = acceptedIn(syntax); it != accepted.end()) return *it;
  }
  for (const AcceptedContext& context : accepted) {
    const std::string_view syntax = UidText(context.transferSyntax);
    if (std::find(sendable.begin(), sendable.end(), syntax) != sendable.end()) return context;
  }
  return std::nullopt;
}

namespace {

bool SameProposal(const ContextProposal& a, const ContextProposal& b) {
  return a.abstractSyntax == b.abstractSyntax && a.transferSyntaxes == b.transferSyntaxes;
}

}  // namespace

bool AddContexts(std::vector<ContextProposal>& contexts, const std::vector<ContextProposal>& more) {
  std::vector<ContextProposal> added;
  for (const ContextProposal& context : more) {
    const auto same = [&](const ContextProposal& c) { return SameProposal(c, context); };
    if (std::none_of(contexts.begin(), contexts.end(), same) &&
        std::none_of(added.begin(), added.end(), same)) {
      added.push_back(context);
    }
  }
  if (contexts.size() + added.size() > kMaxPresentationContexts) return false;
  contexts.insert(contexts.end(), added.begin(), added.end());
  return true;
}

}  // namespace norvane
