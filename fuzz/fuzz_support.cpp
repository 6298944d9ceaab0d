#include "fuzz_support.hpp"

#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "net/acceptor_association.hpp"
#include "net/uids.hpp"
#include "scp/service_registry.hpp"

namespace norvane::fuzz {
namespace {

constexpr std::string_view kCTImageStorage = "1.2.840.10008.5.1.4.1.1.2";

std::vector<uint8_t> ReadUntilClosed(int fd) {
  std::vector<uint8_t> bytes;
  uint8_t block[4096];
  for (;;) {
    const ssize_t n = ::read(fd, block, sizeof block);
    if (n <= 0) break;
    bytes.insert(bytes.end(), block, block + n);
  }
  return bytes;
}

bool WriteAll(int fd, std::span<const uint8_t> bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n <= 0) return false;
    bytes = bytes.subspan(static_cast<size_t>(n));
  }
  return true;
}

PresentationContext Context(uint8_t id, std::string_view abstractSyntax,
                            std::string_view transferSyntax) {
  PresentationContext context;
  context.SetPresentationContextID(id);
  context.SetAbstractSyntax(abstractSyntax);
  context.AddTransferSyntax(transferSyntax);
  return context;
}

}  // namespace

std::vector<uint8_t> SentBytes(const std::function<bool(Buffer&)>& write) {
  int fds[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) return {};
  std::vector<uint8_t> bytes;
  std::thread reader([&] { bytes = ReadUntilClosed(fds[1]); });
  {
    Buffer buffer;
    // PDU numbers are big endian, as on every association buffer.
    buffer.SetOutByteOrder(Buffer::kBigEndian);
    buffer.SetInByteOrder(Buffer::kBigEndian);
    buffer.socket().AdoptConnection(fds[0]);
    write(buffer);
    buffer.socket().Close();
  }
  reader.join();
  ::close(fds[1]);
  return bytes;
}

const std::vector<uint8_t>& StorageAssociateRQ() {
  static const std::vector<uint8_t> bytes = SentBytes([](Buffer& buffer) {
    AAssociateRQ rq;
    rq.SetCallingApTitle("FUZZSCU");
    rq.SetCalledApTitle("NORVANE");
    rq.SetApplicationContext(uid::kApplicationContext);
    rq.AddPresentationContext(Context(1, kCTImageStorage, uid::kImplicitVRLittleEndian));
    rq.AddPresentationContext(Context(3, kCTImageStorage, uid::kExplicitVRLittleEndian));
    rq.AddPresentationContext(Context(5, kCTImageStorage, uid::kJPEGLossless));
    rq.AddPresentationContext(Context(7, uid::kVerification, uid::kImplicitVRLittleEndian));
    rq.UserInfo().maximumLength.maximumLength = kOwnMaximumLength;
    rq.UserInfo().SetImplementationClassUID(uid::kImplementationClass);
    rq.UserInfo().SetImplementationVersionName("FUZZ");
    return rq.Write(buffer);
  });
  return bytes;
}

std::vector<uint8_t> AcceptorExchange(std::span<const uint8_t> stream,
                                      const std::function<void(PDU_Service&)>& act) {
  int fds[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) return {};
  std::vector<uint8_t> sent;
  std::thread peer([&] {
    const std::vector<uint8_t>& rq = StorageAssociateRQ();
    if (WriteAll(fds[1], rq) && WriteAll(fds[1], stream)) ::shutdown(fds[1], SHUT_WR);
    sent = ReadUntilClosed(fds[1]);
  });
  {
    static const ServiceRegistry services = ScpServices(StoreSCPSettings{});
    AcceptorAssociation pdu;
    pdu.SetTrace(true);  // the trace dumps every received element: more parsing to test
    if (pdu.Accept(fds[0], services.Policy())) act(pdu);
    pdu.AbortAssociation();
  }
  peer.join();
  ::close(fds[1]);
  return sent;
}

MemoryFile::MemoryFile(std::span<const uint8_t> bytes) {
  fd_ = ::memfd_create("norvane-fuzz", MFD_CLOEXEC);
  if (fd_ < 0) return;
  size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(fd_, bytes.data() + written, bytes.size() - written);
    if (n <= 0) return;
    written += static_cast<size_t>(n);
  }
  name_ = "/proc/self/fd/" + std::to_string(fd_);
}

MemoryFile::~MemoryFile() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace norvane::fuzz
