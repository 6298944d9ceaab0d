#include "net/context_message.hpp"

namespace norvane {

bool WriteMessageOnContext(PDU_Service& pdu, const TagList& list, uint8_t presentationContextID,
                           uint8_t control) {
  if (presentationContextID == 0 || !pdu.GetTransferSyntax(presentationContextID)) return false;
  return pdu.WriteMessageOn(list, presentationContextID, control);
}

}  // namespace norvane
