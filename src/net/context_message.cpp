#include "net/context_message.hpp"

namespace norvane {

bool WriteMessageOnContext(PDU_Service& pdu, const TagList& list, uint8_t presentationContextID,
                           uint8_t control) {
  if (presentationContextID == 0 || !pdu.GetTransferSyntax(presentationContextID)) return false;
  PDataTF& pDataTF = pdu.pDataTF();
  Buffer& message = pDataTF.MessageBuffer();
  message.ClearOutgoing();
  const uint8_t encodingContext = control == kCommandMessage ? 0 : presentationContextID;
  if (!pdu.ParseDCMIntoRawVR(list, message, encodingContext)) return false;
  pDataTF.SetMessageContextID(presentationContextID);
  pDataTF.SetMessageControl(control);
  return pDataTF.Write(pdu.buffer());
}

}  // namespace norvane
