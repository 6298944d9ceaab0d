#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <vector>

#include "net/socket.hpp"

namespace norvane {

// One block of a Buffer's queues. Outgoing: `data` is the capacity and `index` the bytes
// filled so far. Incoming: `data` holds exactly the received bytes and `index` counts
// those already consumed.
struct BufferSpace {
  explicit BufferSpace(size_t capacity) : data(capacity) {}
  explicit BufferSpace(std::vector<uint8_t> bytes) : data(std::move(bytes)) {}
  size_t Size() const { return data.size(); }

  std::vector<uint8_t> data;
  size_t index = 0;
};

// A byte stream over one TCP connection: numbers and bytes are queued in `outgoing` until
// Flush sends them, and reads take from `incoming`, then from the receive window, which the
// socket refills in large reads. Without a connected socket it serves as a plain two-queue
// byte store.
class Buffer {
 public:
  static constexpr int32_t kLittleEndian = 1;
  static constexpr int32_t kBigEndian = 2;
  static constexpr size_t kBlockSize = 32600;
  // Incoming bytes past kLargeMessage are gathered in blocks of kLargeBlockSize.
  static constexpr size_t kLargeMessage = 1024 * 1024;
  static constexpr size_t kLargeBlockSize = 32 * 1024 * 1024;
  // The receive window: each receive call asks the socket for the room left in it, never
  // less than kMinimumReceive bytes.
  static constexpr size_t kReceiveWindow = 256 * 1024;
  static constexpr size_t kMinimumReceive = 64 * 1024;

  Buffer() = default;
  Buffer(const Buffer&) = delete;
  Buffer& operator=(const Buffer&) = delete;

  // Byte order codes: 1 little endian, 2 big endian (any other code reads as 1).
  void SetInByteOrder(int32_t code) { inByteOrder_ = code; }
  void SetOutByteOrder(int32_t code) { outByteOrder_ = code; }
  int32_t InByteOrder() const { return inByteOrder_; }
  int32_t OutByteOrder() const { return outByteOrder_; }

  void WriteByte(uint8_t value);
  void WriteUInt16(uint16_t value);
  void WriteUInt32(uint32_t value);
  void WriteBytes(const void* data, size_t n);
  // Sends every queued block, oldest first. A failed send leaves that block and the later
  // ones queued and gives false.
  bool Flush();

  // Each read takes bytes from `incoming`, receiving more as it goes when too few are
  // there; false when the connection fails (or, without a connection, when the bytes are
  // not there: then nothing is taken).
  bool ReadByte(uint8_t& value);
  bool ReadUInt16(uint16_t& value);
  bool ReadUInt32(uint32_t& value);
  bool ReadBytes(void* data, size_t n);
  bool Skip(size_t n);
  // Copies up to `n` of the bytes already in `incoming` to `data` without consuming them or
  // receiving more; returns how many were copied.
  size_t Peek(uint8_t* data, size_t n) const;

  // Unconsumed bytes in `incoming` and bytes waiting in `outgoing`.
  size_t Available() const { return available_; }
  size_t Queued() const { return queued_; }

  // Moves `n` incoming bytes to the end of `target`'s incoming queue, receiving as needed;
  // false when the connection fails first.
  bool ReadInto(Buffer& target, size_t n);
  // Hands `n` incoming bytes to `take` in order, as spans of the bytes where they are (a
  // queued block or the receive window), receiving as needed; false when the connection
  // fails first (or, without a connection, when the bytes are not there: then nothing is
  // taken).
  template <class Take>
  bool ReadThrough(size_t n, Take&& take) {
    if (available_ < n && !socket_.Connected()) return false;
    while (n > 0) {
      if (available_ == 0 && !Receive()) return false;
      const std::span<const uint8_t> front = FrontBytes();
      const size_t count = front.size() < n ? front.size() : n;
      take(front.first(count));
      Consume(count);
      n -= count;
    }
    return true;
  }
  // Moves up to `n` bytes from the front of this buffer's outgoing queue to the end of
  // `target`'s outgoing queue; returns how many were moved.
  size_t MoveOutgoingTo(Buffer& target, size_t n);
  // Appends a block of bytes to the incoming queue as if it had been received.
  void AppendIncoming(std::vector<uint8_t> block);
  // Appends bytes as if received, filling the last block before another is begun: many
  // small appends cost no more memory than one large one.
  void AppendIncoming(const uint8_t* data, size_t n);
  // Removes and returns everything queued in `outgoing`.
  std::vector<uint8_t> TakeOutgoing();
  void ClearIncoming();
  void ClearOutgoing();

  Socket& socket() { return socket_; }
  const Socket& socket() const { return socket_; }
  // What the bytes travel through: the socket itself, or a layer over it (SetLayer).
  Transport& transport() { return layer_ ? *layer_ : static_cast<Transport&>(socket_); }
  // Puts a layer (a security layer) between the bytes and the socket; null removes it.
  void SetLayer(std::unique_ptr<Transport> layer) { layer_ = std::move(layer); }
  // Incoming bytes are waiting: already received, or readable without a wait.
  bool Readable() { return available_ > 0 || transport().Readable(); }

 private:
  // Refills the receive window once it is used up; false when the connection fails.
  bool Receive();
  // The unread bytes at the front: of the incoming queue, else of the receive window.
  std::span<const uint8_t> FrontBytes() const;
  void Consume(size_t n);
  uint16_t Decode16(const uint8_t* bytes) const;

  int32_t blockSize_ = static_cast<int32_t>(kBlockSize);
  int32_t inByteOrder_ = kLittleEndian;
  int32_t outByteOrder_ = kLittleEndian;
  std::deque<BufferSpace> incoming_;
  std::deque<BufferSpace> outgoing_;
  // Received bytes [windowStart_, windowEnd_) not yet read; allocated at the first receive
  // and reused for the life of the connection.
  std::vector<uint8_t> window_;
  size_t windowStart_ = 0;
  size_t windowEnd_ = 0;
  // Bytes of the oldest outgoing block already moved to another buffer.
  size_t outgoingFront_ = 0;
  Socket socket_;
  std::unique_ptr<Transport> layer_;
  size_t available_ = 0;
  size_t queued_ = 0;
};

}  // namespace norvane
