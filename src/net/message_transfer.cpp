#include <string>

#include "log/log.hpp"
#include "net/pdu_layout.hpp"
#include "net/pdu_service.hpp"

// Sending and receiving whole DIMSE messages over P-DATA-TF, and the handling of every
// other PDU that may arrive while a message is awaited.

namespace norvane {

bool PDU_Service::WriteMessage(const TagList& list, std::string_view sopClass, uint8_t control) {
  const uint8_t id = GetPresentationContextID(sopClass);
  // A message on a context the peer did not accept would be a protocol error on its side.
  if (id == 0 || !GetTransferSyntax(id)) return false;
  Buffer& message = pDataTF_.MessageBuffer();
  message.ClearOutgoing();
  if (!ParseDCMIntoRawVR(list, message, control == kCommandMessage ? 0 : id)) return false;
  pDataTF_.SetMessageContextID(id);
  pDataTF_.SetMessageControl(control);
  return pDataTF_.Write(buffer_);
}

bool PDU_Service::EndReading() {
  pDataTF_.ClearPending();
  pDataTF_.ClearMessageComplete();
  pDataTF_.MessageBuffer().ClearIncoming();
  buffer_.socket().Close();
  return false;
}

bool PDU_Service::AbortReading(uint8_t reason) {
  AbortAssociation(kAbortSourceServiceProvider, reason);
  return EndReading();
}

void PDU_Service::ReportProgress(size_t& reported) {
  if (!progress_) return;
  const size_t gathered = pDataTF_.MessageBuffer().Available();
  if (pDataTF_.MessageComplete() || gathered >= reported + kProgressBytes) {
    reported = gathered;
    progress_();
  }
}

bool PDU_Service::ReadMessage(TagList& list, ExpectedMessage expected) {
  if (!Connected()) return false;
  pDataTF_.ClearMessageComplete();
  pDataTF_.Expect(expected);
  size_t reported = 0;
  // A PDU that held the end of the previous message may hold the start of this one.
  if (pDataTF_.PendingLength() != 0 && !pDataTF_.ReadDynamic(buffer_)) {
    return AbortReading(kAbortReasonInvalidPduParameter);
  }
  while (!pDataTF_.MessageComplete()) {
    uint8_t type;
    if (!buffer_.ReadByte(type)) return EndReading();
    switch (type) {
      case kPduPDataTF:
        if (!pDataTF_.ReadDynamic(buffer_)) return AbortReading(kAbortReasonInvalidPduParameter);
        ReportProgress(reported);
        break;
      case kPduReleaseRQ:
        if (releaseRQ_.ReadDynamic(buffer_)) releaseRP_.Write(buffer_);
        return EndReading();
      case kPduReleaseRP:
        WriteLog("ERROR, RELEASE-RP");
        return EndReading();
      case kPduAbort:
        WriteLog("ERROR, ABORT-RQ");
        return EndReading();
      case kPduAssociateRQ:
        WriteLog("ERROR, ASSOCIATE-RQ");
        assocRQ_.ReadDynamic(buffer_);
        return AbortReading(kAbortReasonUnexpectedPdu);
      case kPduAssociateAC:
        WriteLog("ERROR, ASSOCIATE-AC");
        assocAC_.ReadDynamic(buffer_);
        return AbortReading(kAbortReasonUnexpectedPdu);
      case kPduAssociateRJ:
        WriteLog("ERROR, ASSOCIATE-RJ");
        return AbortReading(kAbortReasonUnexpectedPdu);
      default:
        WriteLog("ERROR, Protocol Error: " + std::to_string(type));
        return AbortReading(kAbortReasonUnrecognizedPdu);
    }
  }
  if (ParseRawVRIntoDCM(pDataTF_.MessageBuffer(), list, pDataTF_.MessageContextID())) return true;
  WriteLog("ERROR, ParseRawVRIntoDCM");
  return AbortReading(kAbortReasonInvalidPduParameter);
}

}  // namespace norvane
