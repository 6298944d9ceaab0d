#pragma once

#include <cstdint>

#include "net/buffer.hpp"
#include "net/message_decoder.hpp"

namespace norvane {

// What the next message must be: a receiver that awaits a command aborts a data set at its
// first fragment rather than gathering it.
enum class ExpectedMessage : uint8_t { kAny, kCommand, kDataSet };

// P-DATA-TF (type 0x04): the message state of an association. On sending, the encoded
// message waits in the message buffer's outgoing queue and Write cuts it into PDUs of one
// PDV each; on receiving, ReadDynamic hands PDV fragments to a MessageDecoder as they
// arrive (or, without one, appends them to the message buffer's incoming queue) until a
// PDV with the last-fragment bit completes the message. Fragments gathered are packed into
// the buffer's blocks, so a message takes about its own size in memory however finely the
// peer cuts it. A PDU that holds the end of one message and the start of the next stays in
// progress (PendingLength) for the next read.
class PDataTF {
 public:
  PDataTF() = default;
  PDataTF(const PDataTF&) = delete;
  PDataTF& operator=(const PDataTF&) = delete;

  // A buffer never connected to a socket.
  Buffer& MessageBuffer() { return messageBuffer_; }

  // Sending: the context to send on and 1 for a command set, 0 for a data set.
  void SetMessageContextID(uint8_t id) { messageContextID_ = id; }
  void SetMessageControl(uint8_t control) { messageControl_ = control; }
  uint8_t OutgoingContextID() const { return messageContextID_; }
  uint8_t MessageControl() const { return messageControl_; }
  // A PDV went out with this item length and header (PduWriter).
  void NoteSentPdv(uint32_t pdvLength, uint8_t controlHeader) {
    pdvLength_ = pdvLength;
    presentationContextID_ = messageContextID_;
    messageControlHeader_ = controlHeader;
  }
  // The peer's maximum PDU length (0 = no limit).
  void SetPeerMaximumLength(uint32_t length) { peerMaximumLength_ = length; }
  uint32_t PeerMaximumLength() const { return peerMaximumLength_; }
  // Message bytes per PDV: as many as fill a PDU of the peer's maximum length, or of
  // kLargestPduLengthSent when the peer announced none or more; 0 when that maximum (1 to 6)
  // cannot hold a PDV with a single message byte.
  uint32_t FragmentSize() const;
  // False when the peer's maximum length leaves no room for message bytes.
  bool CanSend() const { return FragmentSize() != 0; }

  // Receiving: the kind the message now being gathered must be, checked at each fragment
  // (kAny by default). Every fragment of one message must also keep its context ID and
  // kind.
  void Expect(ExpectedMessage kind) { expected_ = kind; }

  // Receiving: set once a PDV with the last-fragment bit was read; the message context
  // ID is then that PDV's presentation context ID.
  bool MessageComplete() const { return messageComplete_; }
  void ClearMessageComplete() { messageComplete_ = false; }
  uint8_t MessageContextID() const { return messageContextID_; }
  // Bytes of the message now being received (or last completed) read so far.
  size_t MessageBytes() const { return messageBytes_; }
  // Bytes of the current P-DATA-TF PDU not yet read (0 = no PDU in progress).
  uint32_t PendingLength() const { return pduLength_; }
  void ClearPending() {
    pduLength_ = 0;
    messageStarted_ = false;
  }

  // Fields of the last PDV header read or written.
  uint32_t PdvLength() const { return pdvLength_; }
  uint8_t PresentationContextID() const { return presentationContextID_; }
  uint8_t MessageControlHeader() const { return messageControlHeader_; }

  // Sends everything queued in the message buffer as P-DATA-TF PDUs, one PDV each,
  // flushing after each PDU; no PDU is longer than the peer's maximum length. An empty
  // message sends nothing. When the peer's maximum leaves no room (CanSend), or on a
  // failed flush, the rest of the message is dropped and false returned.
  bool Write(Buffer& association);
  // Reads PDVs after a P-DATA-TF type byte (or continues the PDU in progress) until a
  // message is complete or the PDU is used up. The fragments go to `decoder` (started at a
  // message's first fragment) or, without one, to the message buffer. False when a header or the
  // bytes of a PDV cannot be read, the PDU is longer than the maximum this system announces
  // (kOwnMaximumLength), a PDV length is below 2 or does not fit the rest of the PDU, or
  // a fragment is not of the expected kind or leaves its message's context; nothing is
  // then left in progress.
  bool ReadDynamic(Buffer& association, MessageDecoder* decoder = nullptr);

 private:
  bool Fail();
  // Whether a fragment with this header may continue (or start) the message.
  bool FitsMessage(uint8_t contextID, uint8_t controlHeader) const;

  uint32_t pduLength_ = 0;
  Buffer messageBuffer_;
  bool messageComplete_ = false;
  uint32_t pdvLength_ = 0;
  uint8_t presentationContextID_ = 0;
  uint8_t messageControlHeader_ = 0;
  uint8_t messageContextID_ = 0;
  uint8_t messageControl_ = 0;
  uint32_t peerMaximumLength_ = 0;
  ExpectedMessage expected_ = ExpectedMessage::kAny;
  // A fragment of the message being gathered has been read.
  bool messageStarted_ = false;
  size_t messageBytes_ = 0;
};

}  // namespace norvane
