// The data phase of an association as the storage SCP meets it: after the library's own
// A-ASSOCIATE-RQ is accepted, the input is everything the peer sends: P-DATA-TF PDUs whose
// PDV fragments are reassembled and decoded into messages (with the trace on, so every
// received element is also dumped), and any release, abort or stray PDU among them.

#include <cstddef>
#include <cstdint>
#include <span>

#include "fuzz_support.hpp"

namespace {

// More messages than any input of kMaxStreamInput bytes can hold.
constexpr int kMostMessages = 20000;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace norvane;
  if (size > fuzz::kMaxStreamInput) return 0;
  fuzz::AcceptorExchange(std::span<const uint8_t>(data, size), [](PDU_Service& pdu) {
    for (int i = 0; i < kMostMessages; ++i) {
      TagList message;
      if (!pdu.ReadMessage(message)) break;
    }
  });
  return 0;
}
