#include "net/buffer.hpp"

#include <algorithm>
#include <cstring>

namespace norvane {

void Buffer::WriteByte(uint8_t value) {
  WriteBytes(&value, 1);
}

void Buffer::WriteUInt16(uint16_t value) {
  uint8_t bytes[2];
  if (outByteOrder_ == kBigEndian) {
    bytes[0] = static_cast<uint8_t>(value >> 8);
    bytes[1] = static_cast<uint8_t>(value);
  } else {
    bytes[0] = static_cast<uint8_t>(value);
    bytes[1] = static_cast<uint8_t>(value >> 8);
  }
  WriteBytes(bytes, 2);
}

// Two 16-bit halves, the high half first in big endian.
void Buffer::WriteUInt32(uint32_t value) {
  const auto high = static_cast<uint16_t>(value >> 16);
  const auto low = static_cast<uint16_t>(value);
  if (outByteOrder_ == kBigEndian) {
    WriteUInt16(high);
    WriteUInt16(low);
  } else {
    WriteUInt16(low);
    WriteUInt16(high);
  }
}

void Buffer::WriteBytes(const void* data, size_t n) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  if (outgoing_.empty()) outgoing_.emplace_back(static_cast<size_t>(blockSize_));
  while (n > 0) {
    BufferSpace& last = outgoing_.back();
    const size_t room = last.Size() - last.index;
    if (room == 0) {
      outgoing_.emplace_back(kBlockSize);
      continue;
    }
    const size_t take = std::min(room, n);
    std::memcpy(last.data.data() + last.index, bytes, take);
    last.index += take;
    queued_ += take;
    bytes += take;
    n -= take;
  }
}

bool Buffer::Flush() {
  while (!outgoing_.empty()) {
    BufferSpace& block = outgoing_.front();
    const size_t from = outgoingFront_;
    if (block.index > from && !socket_.SendBinary(block.data.data() + from, block.index - from)) {
      return false;
    }
    queued_ -= block.index - from;
    outgoingFront_ = 0;
    outgoing_.pop_front();
  }
  queued_ = 0;
  return true;
}

bool Buffer::Receive() {
  uint8_t scratch[kReceiveSize];
  const size_t ask = std::min(static_cast<size_t>(blockSize_), kReceiveSize);
  for (;;) {
    const int n = socket_.ReadBinary(scratch, ask);
    if (n < 0) return false;
    if (n == 0) continue;
    incoming_.emplace_back(std::vector<uint8_t>(scratch, scratch + n));
    available_ += static_cast<size_t>(n);
    return true;
  }
}

bool Buffer::ReadBytes(void* data, size_t n) {
  while (available_ < n) {
    if (!Receive()) return false;
  }
  auto* out = static_cast<uint8_t*>(data);
  while (n > 0) {
    BufferSpace& block = incoming_.front();
    const size_t take = std::min(block.Size() - block.index, n);
    if (out != nullptr) {
      std::memcpy(out, block.data.data() + block.index, take);
      out += take;
    }
    block.index += take;
    available_ -= take;
    n -= take;
    if (block.index == block.Size()) incoming_.pop_front();
  }
  return true;
}

size_t Buffer::Peek(uint8_t* data, size_t n) const {
  size_t copied = 0;
  for (auto block = incoming_.begin(); block != incoming_.end() && copied < n; ++block) {
    const size_t take = std::min(block->Size() - block->index, n - copied);
    std::memcpy(data + copied, block->data.data() + block->index, take);
    copied += take;
  }
  return copied;
}

// Discards in steps, so that a peer's length never sizes an allocation.
bool Buffer::Skip(size_t n) {
  while (n > 0) {
    if (available_ == 0 && !Receive()) return false;
    const size_t take = std::min(n, available_);
    ReadBytes(nullptr, take);
    n -= take;
  }
  return true;
}

bool Buffer::ReadByte(uint8_t& value) {
  return ReadBytes(&value, 1);
}

uint16_t Buffer::Decode16(const uint8_t* bytes) const {
  if (inByteOrder_ == kBigEndian) return static_cast<uint16_t>((bytes[0] << 8) | bytes[1]);
  return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}

bool Buffer::ReadUInt16(uint16_t& value) {
  uint8_t bytes[2];
  if (!ReadBytes(bytes, 2)) return false;
  value = Decode16(bytes);
  return true;
}

bool Buffer::ReadUInt32(uint32_t& value) {
  uint8_t bytes[4];
  if (!ReadBytes(bytes, 4)) return false;
  const uint32_t first = Decode16(bytes);
  const uint32_t second = Decode16(bytes + 2);
  value = inByteOrder_ == kBigEndian ? (first << 16) | second : (second << 16) | first;
  return true;
}

size_t Buffer::MoveOutgoingTo(Buffer& target, size_t n) {
  size_t moved = 0;
  while (moved < n && !outgoing_.empty()) {
    BufferSpace& block = outgoing_.front();
    const size_t take = std::min(block.index - outgoingFront_, n - moved);
    target.WriteBytes(block.data.data() + outgoingFront_, take);
    outgoingFront_ += take;
    queued_ -= take;
    moved += take;
    if (outgoingFront_ == block.index) {
      outgoing_.pop_front();
      outgoingFront_ = 0;
    }
  }
  return moved;
}

void Buffer::AppendIncoming(std::vector<uint8_t> block) {
  if (block.empty()) return;
  available_ += block.size();
  incoming_.emplace_back(std::move(block));
}

void Buffer::AppendIncoming(const uint8_t* data, size_t n) {
  available_ += n;
  while (n > 0) {
    if (incoming_.empty() || incoming_.back().Size() >= kBlockSize) {
      std::vector<uint8_t> block;
      block.reserve(kBlockSize);
      incoming_.emplace_back(std::move(block));
    }
    std::vector<uint8_t>& last = incoming_.back().data;
    const size_t take = std::min(n, kBlockSize - last.size());
    last.insert(last.end(), data, data + take);
    data += take;
    n -= take;
  }
}

std::vector<uint8_t> Buffer::TakeOutgoing() {
  std::vector<uint8_t> bytes;
  bytes.reserve(queued_);
  for (const BufferSpace& block : outgoing_) {
    const size_t from = &block == &outgoing_.front() ? outgoingFront_ : 0;
    bytes.insert(bytes.end(), block.data.begin() + static_cast<ptrdiff_t>(from),
                 block.data.begin() + static_cast<ptrdiff_t>(block.index));
  }
  ClearOutgoing();
  return bytes;
}

void Buffer::ClearIncoming() {
  incoming_.clear();
  available_ = 0;
}

void Buffer::ClearOutgoing() {
  outgoing_.clear();
  outgoingFront_ = 0;
  queued_ = 0;
}

}  // namespace norvane
