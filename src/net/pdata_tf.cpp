#include "net/pdata_tf.hpp"

#include <algorithm>
#include <vector>

#include "net/pdu_layout.hpp"

namespace norvane {

uint32_t PDataTF::FragmentSize() const {
  if (peerMaximumLength_ == 0 || peerMaximumLength_ >= kPdvFragmentSize + kPdvHeaderSize) {
    return kPdvFragmentSize;
  }
  if (peerMaximumLength_ < kMinimumPdvFragmentSize + kPdvHeaderSize) {
    return kMinimumPdvFragmentSize;
  }
  return peerMaximumLength_ - kPdvHeaderSize;
}

bool PDataTF::Write(Buffer& association) {
  const size_t total = messageBuffer_.Queued();
  const size_t fragment = FragmentSize();
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
  messageBuffer_.ClearIncoming();
  return false;
}

bool PDataTF::ReadDynamic(Buffer& association) {
  if (pduLength_ == 0) {
    uint8_t reserved;
    if (!association.ReadByte(reserved) || !association.ReadUInt32(pduLength_)) return Fail();
  }
  while (pduLength_ > 0) {
    if (pduLength_ < kPdvHeaderSize || !association.ReadUInt32(pdvLength_) ||
        !association.ReadByte(presentationContextID_) ||
        !association.ReadByte(messageControlHeader_)) {
      return Fail();
    }
    if (pdvLength_ < kPdvControlSize || pdvLength_ > pduLength_ - kPdvLengthFieldSize)
      return Fail();
    // The fragment is taken in blocks, so a peer's length never sizes an allocation
    // ahead of the bytes that actually arrive.
    uint32_t left = pdvLength_ - kPdvControlSize;
    while (left > 0) {
      const uint32_t take = std::min<uint32_t>(left, Buffer::kBlockSize);
      std::vector<uint8_t> block(take);
      if (!association.ReadBytes(block.data(), take)) return Fail();
      messageBuffer_.AppendIncoming(std::move(block));
      left -= take;
    }
    pduLength_ -= pdvLength_ + kPdvLengthFieldSize;
    messageContextID_ = presentationContextID_;
    if (messageControlHeader_ & kPdvLastFragmentBit) {
      messageComplete_ = true;
      return true;
    }
  }
  return true;
}

}  // namespace norvane
