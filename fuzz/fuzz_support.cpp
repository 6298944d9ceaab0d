#include "fuzz_support.hpp"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

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

namespace {

std::vector<uint8_t> Pem(const std::function<int(BIO*)>& write) {
  BIO* bio = BIO_new(BIO_s_mem());
  std::vector<uint8_t> bytes;
  if (bio != nullptr && write(bio) == 1) {
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio, &data);
    bytes.assign(data, data + length);
  }
  BIO_free(bio);
  return bytes;
}

// A self-signed P-256 certificate and its key, as PEM.
std::pair<std::vector<uint8_t>, std::vector<uint8_t>> SelfSignedPem() {
  EVP_PKEY* key = EVP_EC_gen("P-256");
  X509* certificate = X509_new();
  std::pair<std::vector<uint8_t>, std::vector<uint8_t>> pem;
  if (key != nullptr && certificate != nullptr) {
    X509_set_version(certificate, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(certificate), 1);
    X509_gmtime_adj(X509_getm_notBefore(certificate), 0);
    X509_gmtime_adj(X509_getm_notAfter(certificate), 86400L * 365);
    X509_set_pubkey(certificate, key);
    X509_NAME* name = X509_get_subject_name(certificate);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("localhost"), -1, -1, 0);
    X509_set_issuer_name(certificate, name);
    if (X509_sign(certificate, key, EVP_sha256()) > 0) {
      pem.first = Pem([&](BIO* bio) { return PEM_write_bio_X509(bio, certificate); });
      pem.second = Pem([&](BIO* bio) {
        return PEM_write_bio_PrivateKey(bio, key, nullptr, nullptr, 0, nullptr, nullptr);
      });
    }
  }
  X509_free(certificate);
  EVP_PKEY_free(key);
  return pem;
}

std::shared_ptr<const TlsContext> MakeContext(TlsRole role) {
  const auto [certificate, key] = SelfSignedPem();
  const MemoryFile certificateFile(certificate);
  const MemoryFile keyFile(key);
  TlsSettings settings;
  settings.enabled = true;
  settings.certificateFile = certificateFile.Name();
  settings.keyFile = keyFile.Name();
  settings.verifyPeer = false;
  return TlsContext::Make(settings, role).context;
}

}  // namespace

const TlsContext* SelfSignedTlsContext(TlsRole role) {
  static const std::shared_ptr<const TlsContext> acceptor = MakeContext(TlsRole::kAcceptor);
  static const std::shared_ptr<const TlsContext> requester = MakeContext(TlsRole::kRequester);
  return (role == TlsRole::kAcceptor ? acceptor : requester).get();
}

}  // namespace norvane::fuzz
