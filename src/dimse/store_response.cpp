#include "dimse/store_response.hpp"

#include "dimse/dimse_exchange.hpp"

namespace norvane {

DimseCommand StoreResponse(const DimseCommand& request, uint16_t status) {
  DimseCommand response = ResponseTo(request, status);
  // This SCP has always repeated the Message ID as well; peers ignore it.
  response.messageID = request.messageID;
  return response;
}

ServiceResult WriteStoreRSP(PDU_Service& pdu, const DimseCommand& request,
                            uint8_t presentationContextID, uint16_t status) {
  return SendCommand(pdu, presentationContextID, StoreResponse(request, status));
}

}  // namespace norvane
