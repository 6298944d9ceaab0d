#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
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
// Flush sends them, and reads take from `incoming`, receiving more when needed. Without a
// connected socket it serves as a plain two-queue byte store.
class Buffer {
 public:
  static constexpr int32_t kLittleEndian = 1;
  static constexpr int32_t kBigEndian = 2;
  static constexpr size_t kBlockSize = 32600;
  // Most bytes asked of the socket per receive call.
  static constexpr size_t kReceiveSize = 1024;

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

  // Each read takes bytes from `incoming`, receiving first when too few are there; false
  // when the connection fails (or, without a connection, when the bytes are not there).
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

  // Moves up to `n` bytes from the front of this buffer's outgoing queue to the end of
  // `target`'s outgoing queue; returns how many were moved.
  size_t MoveOutgoingTo(Buffer& target, size_t n);
  // Appends a block of bytes to the incoming queue as if it had been received.
  void AppendIncoming(std::vector<uint8_t> block);
  // Appends bytes as if received, filling the last block up to kBlockSize before another
  // is begun: many small appends cost no more memory than one large one.
  void AppendIncoming(const uint8_t* data, size_t n);
  // Removes and returns everything queued in `outgoing`.
  std::vector<uint8_t> TakeOutgoing();
  void ClearIncoming();
  void ClearOutgoing();

  Socket& socket() { return socket_; }
  const Socket& socket() const { return socket_; }

 private:
  bool Receive();
  uint16_t Decode16(const uint8_t* bytes) const;

  int32_t blockSize_ = static_cast<int32_t>(kBlockSize);
  int32_t inByteOrder_ = kLittleEndian;
  int32_t outByteOrder_ = kLittleEndian;
  std::deque<BufferSpace> incoming_;
  std::deque<BufferSpace> outgoing_;
  // Bytes of the oldest outgoing block already moved to another buffer.
  size_t outgoingFront_ = 0;
  Socket socket_;
  size_t available_ = 0;
  size_t queued_ = 0;
};

}  // namespace norvane
