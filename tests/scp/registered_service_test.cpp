// A service added to the SCP by registering its handler: its class is accepted, its
// requests reach it, and what it does not handle is refused with a status.

#include <gtest/gtest.h>

#include <memory>

#include "dimse/dimse_exchange.hpp"
#include "dimse/n_message.hpp"
#include "net/association_entry.hpp"
#include "scp/server_thread.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

constexpr std::string_view kActionClass = "1.2.826.0.1.3680043.2.1125.99.1";

// Answers N-ACTION with the action type it was asked for and the data set it got back.
class ActionEchoService : public ServiceHandler {
 public:
  bool Serves(std::string_view sopClass) const override { return sopClass == kActionClass; }
  bool Handles(uint16_t commandField) const override { return commandField == kNActionRQ; }
  bool Handle(ServiceRequest& request) const override {
    TagList dataset;
    if (!request.ReadDataSet(dataset)) return false;
    DimseCommand response = ResponseTo(request.Command(), kStatusSuccess);
    response.affectedSOPInstanceUID = request.Command().requestedSOPInstanceUID;
    response.actionTypeID = request.Command().actionTypeID;
    response.commandDataSetType = kDataSetPresent;
    return request.Respond(response, &dataset).Ok();
  }
};

TEST(RegisteredService, AnActionHandlerIsOneRegistrationAndAnswersItsRequests) {
  testing::TempDir dir;
  StoreSCPSettings settings;
  settings.port = "0";
  settings.loopbackOnly = true;
  settings.folder = dir / "db/";
  ServiceRegistry services = ScpServices(settings);
  services.Register(std::make_shared<ActionEchoService>());
  ServerThread scp(settings, std::move(services));
  ASSERT_TRUE(scp.Listen());
  scp.Start();

  RequesterAssociation association;
  ASSERT_TRUE(OpenAssoc(association, testing::LoopbackPeer(std::to_string(scp.Port()), "NORVANE"),
                        kActionClass));
  TagList dataset;
  dataset.push_back(GeneratePaddedTag(Tag{0x0008, 0x1195}, "UI", "1.2.3.99"));
  ASSERT_TRUE(WriteNRequest(association, kNActionRQ, kActionClass, "1.2.3.4", &dataset));
  TagList answered;
  EXPECT_TRUE(ReadNResponse(association, kNActionRSP, &answered, nullptr));
  EXPECT_EQ(GetTagText(answered, 0x0008, 0x1195), "1.2.3.99");

  // A command the handler does not take is refused with its reason, and the association goes on.
  ASSERT_TRUE(WriteNRequest(association, kNDeleteRQ, kActionClass, "1.2.3.4", nullptr));
  const ServiceResult refused = ReadNResponse(association, kNDeleteRSP, nullptr, nullptr);
  EXPECT_EQ(refused.status, kStatusUnrecognizedOperation) << refused.reason;
  EXPECT_TRUE(association.ReleaseAssociation());
  scp.Stop();
}

}  // namespace
}  // namespace norvane
