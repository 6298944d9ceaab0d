#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include "net/uid_item.hpp"

namespace norvane {

// What an acceptor takes, given to the association by the service that owns it: the
// abstract syntaxes it serves, and for each proposed context of such a syntax the transfer
// syntax it accepts (empty when none of the proposed ones will do). Without a policy
// nothing is accepted.
struct AcceptorPolicy {
  std::function<bool(std::string_view abstractSyntax)> servesAbstractSyntax;
  std::function<std::string_view(std::string_view abstractSyntax,
                                 const std::vector<UIDitem>& proposed)>
      chooseTransferSyntax;
  // Whether the requester may act as SCP for a SOP class (it receives the storage
  // sub-operations of its C-GET requests); without it the SCP role is never granted.
  std::function<bool(std::string_view sopClass)> grantsRequesterScpRole;
  // The transfer syntax for a context of a SOP class whose SCP role the requester asked for
  // and was granted: objects go to the requester on it, so what the acceptor holds counts.
  // Without it chooseTransferSyntax decides these contexts too.
  std::function<std::string_view(std::string_view abstractSyntax,
                                 const std::vector<UIDitem>& proposed)>
      chooseSyntaxToSend;

  bool Empty() const { return !servesAbstractSyntax || !chooseTransferSyntax; }
};

}  // namespace norvane
