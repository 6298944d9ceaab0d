// The TLS handshake as either side reads it from a peer: the first byte picks the side
// (even: an acceptor reads a ClientHello and what follows; odd: a requester, having sent
// its ClientHello, reads a ServerHello and what follows), the rest is what the peer sent
// before it closed the connection. Garbage instead of a hello and handshakes that stop
// halfway must end in a failed result, never a crash or a leak.

#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstdint>

#include "fuzz_support.hpp"
#include "net/socket.hpp"
#include "net/tls_layer.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace norvane;
  if (size < 1 || size > fuzz::kMaxStreamInput) return 0;
  const TlsRole role = (data[0] & 1) == 0 ? TlsRole::kAcceptor : TlsRole::kRequester;
  const TlsContext* context = fuzz::SelfSignedTlsContext(role);
  if (context == nullptr) return 0;
  int ends[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, ends) != 0) return 0;
  // The peer's bytes wait in the pair; its end then closes, as a peer that stops does.
  size_t written = 0;
  while (written < size - 1) {
    const ssize_t n = ::write(ends[1], data + 1 + written, size - 1 - written);
    if (n <= 0) break;
    written += static_cast<size_t>(n);
  }
  ::shutdown(ends[1], SHUT_WR);
  Socket socket;
  socket.AdoptConnection(ends[0]);
  socket.SetReceiveTimeout(std::chrono::milliseconds(200));
  TlsLayer layer(socket, *context);
  (void)layer.Handshake("localhost");
  socket.Close();
  ::close(ends[1]);
  return 0;
}
