#include "net/pdata_tf.hpp"

#include <algorithm>

#include "net/pdu_layout.hpp"

namespace norvane {

uint32_t PDataTF::FragmentSize() const {
  const uint32_t pduLength = peerMaximumLength_ == 0
                                 ? kLargestPduLengthSent
                                 : std::min(peerMaximumLength_, kLargestPduLengthSent);
  if (pduLength <= kPdvHeaderSize) return 0;
  return pduLength - kPdvHeaderSize;
}

bool PDataTF::Write(Buffer& association) {
  const size_t total = messageBuffer_.Queued();
  const size_t fragment = FragmentSize();
  if (total != 0 && fragment == 0) {
    messageBuffer_.ClearOutgoing();
    return false;
  }
  size_t sent = 0;
  while (sent < total) {
    const auto n = static_cast<uint32_t>(std::min(fragment, total - sent));
    const bool last = sent + n == total;
    messageControlHeader_ =
        static_cast<uint8_t>((messageControl_ & kPdvCommandBit) | (last ? kPdvLastFragmentBit : 0));
    pdvLength_ = n + kPdvControlSize;
    presentationContextID_ = messageContextID_;
    association.WriteByte(kPduPDataTF);
    association.WriteByte(0x00);
    association.WriteUInt32(n + kPdvHeaderSize);
    association.WriteUInt32(pdvLength_);
    association.WriteByte(presentationContextID_);
    association.WriteByte(messageControlHeader_);
    messageBuffer_.MoveOutgoingTo(association, n);
    if (!association.Flush()) {
      // A half-sent message must not be sent ahead of the next one.
      messageBuffer_.ClearOutgoing();
      association.ClearOutgoing();
      return false;
    }
    sent += n;
  }
  return true;
}

bool PDataTF::Fail() {
  pduLength_ = 0;
  messageComplete_ = false;
  messageStarted_ = false;
  messageBuffer_.ClearIncoming();
  return false;
}

bool PDataTF::FitsMessage(uint8_t contextID, uint8_t controlHeader) const {
  const bool command = (controlHeader & kPdvCommandBit) != 0;
  if (messageStarted_) {
    return contextID == messageContextID_ &&
           command == ((messageControlHeader_ & kPdvCommandBit) != 0);
  }
  switch (expected_) {
    case ExpectedMessage::kCommand:
      return command;
    case ExpectedMessage::kDataSet:
      return !command;
    case ExpectedMessage::kAny:
      break;
  }
  return true;
}

bool PDataTF::ReadDynamic(Buffer& association, MessageDecoder* decoder) {
  if (pduLength_ == 0) {
    uint8_t reserved;
    if (!association.ReadByte(reserved) || !association.ReadUInt32(pduLength_)) return Fail();
    // Larger PDUs than announced are a peer's error, and would let it size our memory.
    if (pduLength_ > kOwnMaximumLength) return Fail();
  }
  while (pduLength_ > 0) {
    uint8_t contextID = 0;
    uint8_t controlHeader = 0;
    if (pduLength_ < kPdvHeaderSize || !association.ReadUInt32(pdvLength_) ||
        !association.ReadByte(contextID) || !association.ReadByte(controlHeader)) {
      return Fail();
    }
    if (pdvLength_ < kPdvControlSize || pdvLength_ > pduLength_ - kPdvLengthFieldSize)
      return Fail();
    if (!FitsMessage(contextID, controlHeader)) return Fail();
    presentationContextID_ = contextID;
    messageControlHeader_ = controlHeader;
    messageContextID_ = contextID;
    if (!messageStarted_) {
      messageBytes_ = 0;
      if (decoder != nullptr) decoder->Start(contextID, (controlHeader & kPdvCommandBit) != 0);
    }
    messageStarted_ = true;
    const uint32_t fragment = pdvLength_ - kPdvControlSize;
    // Decoded straight out of the receive window, or packed into the message's blocks as
    // the bytes arrive: a peer's length never sizes an allocation here, and tiny fragments
    // do not cost a block each.
    const bool read =
        decoder != nullptr
            ? association.ReadThrough(
                  fragment, [decoder](std::span<const uint8_t> bytes) { decoder->Decode(bytes); })
            : association.ReadInto(messageBuffer_, fragment);
    if (!read) return Fail();
    messageBytes_ += fragment;
    pduLength_ -= pdvLength_ + kPdvLengthFieldSize;
    if (messageControlHeader_ & kPdvLastFragmentBit) {
      messageComplete_ = true;
      messageStarted_ = false;
      return true;
    }
  }
  return true;
}

}  // namespace norvane
