#pragma once

// A service the SCP offers: its SOP classes, how it takes their presentation contexts, and
// how it answers the requests that come on them. The SCP is the handlers registered with
// it (ServiceRegistry); its acceptor policy follows from them.

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "dimse/dimse_command.hpp"
#include "net/acceptor_association.hpp"
#include "net/uid_item.hpp"
#include "scp/store_scp_settings.hpp"

namespace norvane {

// Told whenever the association starts waiting for its peer (true) and when the SCP's own
// work on a message begins (false); the server's watchdog cuts off idle peers with it.
using AssociationActivity = std::function<void(bool awaitingPeer)>;

// One request being served: the association it came on, the request and its context,
// what the SCP was started with, and the ways to answer.
class ServiceRequest {
 public:
  ServiceRequest(AcceptorAssociation& association, const DimseCommand& command, uint8_t contextID,
                 const StoreSCPSettings& settings, const AssociationActivity& activity)
      : association_(association),
        command_(command),
        contextID_(contextID),
        settings_(settings),
        activity_(activity) {}
  ServiceRequest(const ServiceRequest&) = delete;
  ServiceRequest& operator=(const ServiceRequest&) = delete;

  AcceptorAssociation& Association() const { return association_; }
  const DimseCommand& Command() const { return command_; }
  uint8_t ContextID() const { return contextID_; }
  // The abstract syntax of the context the request came on.
  std::string_view ContextSOPClass() const { return association_.AbstractSyntaxOf(contextID_); }
  const StoreSCPSettings& Settings() const { return settings_; }
  // The calling AE title of the association, blanks trimmed.
  std::string_view CallingApTitle() const;

  void AwaitingPeer() const { activity_(true); }
  void Working() const { activity_(false); }

  // Reads the data set the request announces (nothing is read when it announces none).
  // The association's failure when it ended.
  ServiceResult ReadDataSet(TagList& dataset) const;
  // Sends a response to the request on its context, with the data set when given.
  ServiceResult Respond(const DimseCommand& response, const TagList* dataset = nullptr) const;
  // ResponseTo the request with this status.
  ServiceResult Respond(uint16_t status) const;

  // Whether the requester has cancelled this request: reads, without waiting, whatever
  // messages have arrived. A C-CANCEL-RQ for this request is remembered; one for another
  // is dropped; any other message breaks the protocol, as the association negotiated no
  // operations in parallel, and aborts the association (Ended then tells).
  bool CancelRequested();
  // The association has ended while the request was served.
  bool Ended() const { return !association_.Connected(); }

 private:
  AcceptorAssociation& association_;
  const DimseCommand& command_;
  uint8_t contextID_;
  const StoreSCPSettings& settings_;
  const AssociationActivity& activity_;
  bool cancelled_ = false;
};

// One service of the SCP. Handlers are shared by every association the SCP serves at once,
// so they keep no state of their own between requests.
class ServiceHandler {
 public:
  virtual ~ServiceHandler() = default;

  // The SOP classes it serves: their contexts are accepted.
  virtual bool Serves(std::string_view sopClass) const = 0;
  // The transfer syntax accepted for a proposed context of a class it serves; empty when
  // none of the proposed ones will do. By default explicit, then implicit VR little endian.
  virtual std::string_view ChooseTransferSyntax(std::string_view sopClass,
                                                const std::vector<UIDitem>& proposed) const;
  // Whether a requester that asks for the SCP role of a class it serves gets it (it then
  // receives objects of that class), and the transfer syntax accepted on such a context.
  virtual bool GrantsRequesterScpRole(std::string_view /*sopClass*/) const { return false; }
  virtual std::string_view ChooseSyntaxToSend(std::string_view sopClass,
                                              const std::vector<UIDitem>& proposed) const {
    return ChooseTransferSyntax(sopClass, proposed);
  }

  // The requests it answers (their Command Field).
  virtual bool Handles(uint16_t commandField) const = 0;
  // Answers one request; false when the association has ended. A request it cannot serve
  // gets a response with a failure status, never silence.
  virtual bool Handle(ServiceRequest& request) const = 0;
};

// A transfer syntax among the proposed ones, the first of `preferred` that was proposed;
// empty when none was.
std::string_view FirstProposed(const std::vector<UIDitem>& proposed,
                               std::initializer_list<std::string_view> preferred);

}  // namespace norvane
