#include "dimse/move_request.hpp"

#include "dimse/dimse_command.hpp"
#include "dimse/query_identifier.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"

namespace norvane {

DimseCommand MoveRequest(std::string_view sopClass, uint16_t messageID,
                         std::string_view moveDestination) {
  DimseCommand request = Request(kCMoveRQ, sopClass, messageID, true);
  request.moveDestination = moveDestination;
  return request;
}

ServiceResult SendMoveCommand(PDU_Service& pdu, const TagList& identifier,
                              std::string_view sopClass, std::string_view moveDestination) {
  return SendMoveRequest(pdu, identifier, sopClass, moveDestination, pdu.NextMessageID());
}

ServiceResult SendMoveRequest(PDU_Service& pdu, const TagList& identifier,
                              std::string_view sopClass, std::string_view moveDestination,
                              uint16_t messageID) {
  return SendCommand(pdu, MoveRequest(sopClass, messageID, moveDestination), &identifier);
}

template <class Record>
ServiceResult WriteMoveRQ(PDU_Service& pdu, const Record& query, std::string_view sopClass,
                          std::string_view moveDestination) {
  TagList identifier;
  BuildIdentifier(query, identifier);
  return SendMoveCommand(pdu, identifier, sopClass, moveDestination);
}

template ServiceResult WriteMoveRQ(PDU_Service&, const StudyInfo&, std::string_view,
                                   std::string_view);
template ServiceResult WriteMoveRQ(PDU_Service&, const SeriesInfo&, std::string_view,
                                   std::string_view);
template ServiceResult WriteMoveRQ(PDU_Service&, const ImageInfo&, std::string_view,
                                   std::string_view);

ServiceResult ReadMoveRSP(PDU_Service& pdu, DimseCommand& response) {
  ServiceResult read = ReadResponse(pdu, kCMoveRSP, response);
  if (!read) return read;
  if (response.HasDataSet()) {
    TagList dropped;
    if (const MessageRead data = pdu.ReadMessage(dropped); !data) {
      return MessageNotRead(data, "data set after the C-MOVE-RSP");
    }
  }
  if (response.status == kStatusPending) return read;
  return FinalStatusResult(response);
}

}  // namespace norvane
