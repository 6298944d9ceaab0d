#pragma once

// Helpers for upper-layer tests: a socket pair whose one end feeds a Buffer, a builder for
// big-endian PDU bytes, and a scripted loopback acceptor for requester tests.

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "net/socket.hpp"

namespace norvane::testing {

using Bytes = std::vector<uint8_t>;

inline std::string Hex(const Bytes& bytes, size_t from = 0, size_t count = SIZE_MAX) {
  std::string text;
  for (size_t i = from; i < bytes.size() && i - from < count; ++i) {
    char hex[4];
    std::snprintf(hex, sizeof hex, "%02X ", bytes[i]);
    text += hex;
  }
  return text;
}

inline Bytes Slice(const Bytes& bytes, size_t from, size_t count) {
  if (from >= bytes.size()) return {};
  const size_t end = std::min(bytes.size(), from + count);
  return Bytes(bytes.begin() + static_cast<ptrdiff_t>(from),
               bytes.begin() + static_cast<ptrdiff_t>(end));
}

inline uint32_t BigEndian32(const Bytes& bytes, size_t at) {
  return (uint32_t{bytes.at(at)} << 24) | (uint32_t{bytes.at(at + 1)} << 16) |
         (uint32_t{bytes.at(at + 2)} << 8) | bytes.at(at + 3);
}

inline uint16_t BigEndian16(const Bytes& bytes, size_t at) {
  return static_cast<uint16_t>((bytes.at(at) << 8) | bytes.at(at + 1));
}

// Builds wire bytes field by field, numbers big endian.
class WireBuilder {
 public:
  WireBuilder& U8(uint8_t v) {
    bytes_.push_back(v);
    return *this;
  }
  WireBuilder& U16(uint16_t v) {
    return U8(static_cast<uint8_t>(v >> 8)).U8(static_cast<uint8_t>(v));
  }
  WireBuilder& U32(uint32_t v) {
    return U16(static_cast<uint16_t>(v >> 16)).U16(static_cast<uint16_t>(v));
  }
  WireBuilder& Text(std::string_view t) {
    bytes_.insert(bytes_.end(), t.begin(), t.end());
    return *this;
  }
  WireBuilder& Zeros(size_t n) {
    bytes_.insert(bytes_.end(), n, 0);
    return *this;
  }
  WireBuilder& Append(const Bytes& b) {
    bytes_.insert(bytes_.end(), b.begin(), b.end());
    return *this;
  }
  // An item with a 16-bit length: type, 0, length, text.
  WireBuilder& UidItem(uint8_t type, std::string_view text) {
    return U8(type).U8(0).U16(static_cast<uint16_t>(text.size())).Text(text);
  }
  // A fixed-size title field: the text, then zero bytes.
  WireBuilder& Title(std::string_view t) {
    Text(t);
    return Zeros(16 - t.size());
  }
  const Bytes& bytes() const { return bytes_; }
  size_t size() const { return bytes_.size(); }

 private:
  Bytes bytes_;
};

// Reads what arrives on `fd` until `quiet` passes without data or the other end closes.
inline Bytes DrainFd(int fd, std::chrono::milliseconds quiet = std::chrono::milliseconds(200)) {
  Bytes all;
  for (;;) {
    pollfd entry{fd, POLLIN, 0};
    if (::poll(&entry, 1, static_cast<int>(quiet.count())) != 1) break;
    uint8_t chunk[4096];
    const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
    if (n <= 0) break;
    all.insert(all.end(), chunk, chunk + n);
  }
  return all;
}

// Reads exactly n bytes from fd (or fewer when the other end closes or 5 s pass).
inline Bytes ReadExactly(int fd, size_t n) {
  Bytes all;
  while (all.size() < n) {
    pollfd entry{fd, POLLIN, 0};
    if (::poll(&entry, 1, 5000) != 1) break;
    uint8_t chunk[4096];
    const ssize_t got = ::recv(fd, chunk, std::min(sizeof chunk, n - all.size()), 0);
    if (got <= 0) break;
    all.insert(all.end(), chunk, chunk + got);
  }
  return all;
}

inline bool SendAll(int fd, const Bytes& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

// One connected pair of stream sockets: `ours` is given to a Socket, `peer` is driven by
// the test.
class WirePair {
 public:
  WirePair() {
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) == 0) {
      ours_ = fds[0];
      peer_ = fds[1];
    }
  }
  ~WirePair() {
    if (ours_ >= 0) ::close(ours_);
    ClosePeer();
  }
  WirePair(const WirePair&) = delete;
  WirePair& operator=(const WirePair&) = delete;

  // Hands our end over; its new owner closes it.
  int TakeOurs() {
    const int fd = ours_;
    ours_ = -1;
    return fd;
  }
  int peer() const { return peer_; }
  bool Send(const Bytes& bytes) { return SendAll(peer_, bytes); }
  Bytes Drain(std::chrono::milliseconds quiet = std::chrono::milliseconds(200)) {
    return DrainFd(peer_, quiet);
  }
  void ClosePeer() {
    if (peer_ >= 0) ::close(peer_);
    peer_ = -1;
  }

 private:
  int ours_ = -1;
  int peer_ = -1;
};

// A loopback listener that accepts one connection and runs `script` on its handle in a
// thread of its own.
class ScriptedAcceptor {
 public:
  explicit ScriptedAcceptor(std::function<void(int fd)> script) {
    listener_.ListenOnPort(0, true);
    port_ = listener_.LocalPort();
    thread_ = std::thread([this, script = std::move(script)] {
      if (!listener_.Accept()) return;
      const int fd = listener_.ReleaseConnection();
      script(fd);
      ::close(fd);
    });
  }
  ~ScriptedAcceptor() {
    listener_.StopListening();
    if (thread_.joinable()) thread_.join();
  }
  ScriptedAcceptor(const ScriptedAcceptor&) = delete;
  ScriptedAcceptor& operator=(const ScriptedAcceptor&) = delete;

  std::string Port() const { return std::to_string(port_); }
  // Waits for the script to end.
  void Join() {
    if (thread_.joinable()) thread_.join();
  }

 private:
  Socket listener_;
  uint16_t port_ = 0;
  std::thread thread_;
};

// Reads one whole PDU (header and body) from fd.
inline Bytes ReadPdu(int fd) {
  Bytes header = ReadExactly(fd, 6);
  if (header.size() < 6) return header;
  Bytes body = ReadExactly(fd, BigEndian32(header, 2));
  header.insert(header.end(), body.begin(), body.end());
  return header;
}

// What a strict acceptor refuses in a text field: control characters, NULs included (an AE
// title or an AE value is padded with spaces).
inline bool HasControlCharacters(const Bytes& field) {
  for (const uint8_t byte : field) {
    if (byte < 0x20 || byte == 0x7F) return true;
  }
  return false;
}

// The A-ASSOCIATE-RJ reason a strict acceptor gives an A-ASSOCIATE-RQ, 0 when it takes it:
// 7 (called AE title not recognized) or 3 (calling AE title not recognized) for a title
// field with control characters.
inline uint8_t StrictTitleRejection(const Bytes& rq) {
  if (rq.size() < 42) return 7;
  if (HasControlCharacters(Slice(rq, 10, 16))) return 7;
  if (HasControlCharacters(Slice(rq, 26, 16))) return 3;
  return 0;
}

// An A-ASSOCIATE-RJ PDU.
inline Bytes RejectPdu(uint8_t result, uint8_t source, uint8_t reason) {
  return {0x03, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, result, source, reason};
}

// Association PDU pieces as a peer would send them.
inline Bytes ProposedContextItem(uint8_t id, std::string_view abstractSyntax,
                                 const std::vector<std::string_view>& transferSyntaxes) {
  WireBuilder sub;
  sub.UidItem(0x30, abstractSyntax);
  for (std::string_view ts : transferSyntaxes)
    sub.UidItem(0x40, ts);
  return WireBuilder()
      .U8(0x20)
      .U8(0)
      .U16(static_cast<uint16_t>(4 + sub.size()))
      .U8(id)
      .Zeros(3)
      .Append(sub.bytes())
      .bytes();
}

inline Bytes AcceptContextItem(uint8_t id, uint8_t result, std::string_view ts) {
  return WireBuilder()
      .U8(0x21)
      .U8(0)
      .U16(static_cast<uint16_t>(8 + ts.size()))
      .U8(id)
      .U8(0)
      .U8(result)
      .U8(0)
      .UidItem(0x40, ts)
      .bytes();
}

// A user information item (type 50h): maximum length, implementation class UID, any SCP/SCU
// role selection items, then the version name when there is one.
inline Bytes UserInformationItem(uint32_t maximumLength, std::string_view classUID,
                                 std::string_view versionName,
                                 const std::vector<Bytes>& roleItems = {}) {
  WireBuilder sub;
  sub.U8(0x51).U8(0).U16(4).U32(maximumLength).UidItem(0x52, classUID);
  for (const Bytes& role : roleItems)
    sub.Append(role);
  if (!versionName.empty()) sub.UidItem(0x55, versionName);
  return WireBuilder()
      .U8(0x50)
      .U8(0)
      .U16(static_cast<uint16_t>(sub.size()))
      .Append(sub.bytes())
      .bytes();
}

// A whole A-ASSOCIATE-RQ (type 1) or -AC (type 2) PDU around the items.
inline Bytes AssociatePdu(uint8_t type, std::string_view called, std::string_view calling,
                          const Bytes& items) {
  return WireBuilder()
      .U8(type)
      .U8(0)
      .U32(static_cast<uint32_t>(68 + items.size()))
      .U16(1)
      .U16(0)
      .Title(called)
      .Title(calling)
      .Zeros(32)
      .Append(items)
      .bytes();
}

}  // namespace norvane::testing
