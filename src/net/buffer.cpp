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
    if (block.index > from && !transport().Send(block.data.data() + from, block.index - from)) {
      return false;
    }
    queued_ -= block.index - from;
    outgoingFront_ = 0;
    outgoing_.pop_front();
  }
  queued_ = 0;
  return true;
}

// The window is refilled only once every byte in it was read, so each call asks the socket
// for the whole window; a window with unread bytes is moved to the front first, so that no
// call asks for less than kMinimumReceive.
bool Buffer::Receive() {
  if (window_.empty()) window_.resize(kReceiveWindow);
  if (windowStart_ == windowEnd_) {
    windowStart_ = 0;
    windowEnd_ = 0;
  } else if (window_.size() - windowEnd_ < kMinimumReceive) {
    std::memmove(window_.data(), window_.data() + windowStart_, windowEnd_ - windowStart_);
    windowEnd_ -= windowStart_;
    windowStart_ = 0;
  }
  for (;;) {
    const int n = transport().Receive(window_.data() + windowEnd_, window_.size() - windowEnd_);
    if (n < 0) return false;
    if (n == 0) continue;
    windowEnd_ += static_cast<size_t>(n);
    available_ += static_cast<size_t>(n);
    return true;
  }
}

std::span<const uint8_t> Buffer::FrontBytes() const {
  if (!incoming_.empty()) {
    const BufferSpace& block = incoming_.front();
    return std::span(block.data).subspan(block.index);
  }
  return std::span(window_).subspan(windowStart_, windowEnd_ - windowStart_);
}

void Buffer::Consume(size_t n) {
  available_ -= n;
  if (incoming_.empty()) {
    windowStart_ += n;
    return;
  }
  BufferSpace& block = incoming_.front();
  block.index += n;
  if (block.index == block.Size()) incoming_.pop_front();
}

bool Buffer::ReadBytes(void* data, size_t n) {
  // Without a connection nothing more can come: a read that cannot be whole takes nothing.
  if (available_ < n && !socket_.Connected()) return false;
  auto* out = static_cast<uint8_t*>(data);
  while (n > 0) {
    if (available_ == 0 && !Receive()) return false;
    const std::span<const uint8_t> front = FrontBytes();
    const size_t take = std::min(front.size(), n);
    if (out != nullptr) {
      std::memcpy(out, front.data(), take);
      out += take;
    }
    Consume(take);
    n -= take;
  }
  return true;
}

bool Buffer::ReadInto(Buffer& target, size_t n) {
  return ReadThrough(n, [&target](std::span<const uint8_t> bytes) {
    target.AppendIncoming(bytes.data(), bytes.size());
  });
}

size_t Buffer::Peek(uint8_t* data, size_t n) const {
  size_t copied = 0;
  for (auto block = incoming_.begin(); block != incoming_.end() && copied < n; ++block) {
    const size_t take = std::min(block->Size() - block->index, n - copied);
    std::memcpy(data + copied, block->data.data() + block->index, take);
    copied += take;
  }
  const size_t take = std::min(windowEnd_ - windowStart_, n - copied);
  if (take > 0) std::memcpy(data + copied, window_.data() + windowStart_, take);
  return copied + take;
}

// Discards what is there and receives the rest as it comes, so that a peer's length never
// sizes an allocation.
bool Buffer::Skip(size_t n) {
  return ReadBytes(nullptr, n);
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

// A large message is gathered in blocks so large that the allocator maps each of its own
// (glibc maps every block of 32 MiB or more): a block read out is returned to the system at
// once, and a data set taken into its records is never held twice.
void Buffer::AppendIncoming(const uint8_t* data, size_t n) {
  available_ += n;
  while (n > 0) {
    if (incoming_.empty() || incoming_.back().Size() >= incoming_.back().data.capacity()) {
      std::vector<uint8_t> block;
      block.reserve(available_ > kLargeMessage ? kLargeBlockSize : kBlockSize);
      incoming_.emplace_back(std::move(block));
    }
    std::vector<uint8_t>& last = incoming_.back().data;
    const size_t take = std::min(n, last.capacity() - last.size());
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
  windowStart_ = 0;
  windowEnd_ = 0;
  available_ = 0;
}

void Buffer::ClearOutgoing() {
  outgoing_.clear();
  outgoingFront_ = 0;
  queued_ = 0;
}

}  // namespace norvane
