// The association PDUs as an acceptor and a requester read them: A-ASSOCIATE-RQ (then
// decided by the storage SCP's policy), A-ASSOCIATE-AC, A-ASSOCIATE-RJ, A-RELEASE-RQ and
// A-RELEASE-RP, from bytes in a buffer without a connection. The first byte is the PDU type.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_support.hpp"
#include "net/associate_rj.hpp"
#include "net/negotiation.hpp"
#include "net/pdu_layout.hpp"
#include "net/release.hpp"
#include "scp/service_registry.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace norvane;
  if (size < 1 || size > fuzz::kMaxInput) return 0;
  static const ServiceRegistry services = ScpServices(StoreSCPSettings{});
  Buffer buffer;
  buffer.SetInByteOrder(Buffer::kBigEndian);
  buffer.SetOutByteOrder(Buffer::kBigEndian);
  buffer.AppendIncoming(std::vector<uint8_t>(data + 1, data + size));
  switch (data[0]) {
    case kPduAssociateRQ: {
      // The answer cannot be sent without a connection; deciding it is what counts.
      AAssociateRQ request;
      if (request.ReadDynamic(buffer)) {
        AAssociateAC answer = AnswerAssociateRQ(request, services.Policy());
        (void)NegotiatedContexts(request, answer);
      }
      break;
    }
    case kPduAssociateAC:
      AAssociateAC().ReadDynamic(buffer);
      break;
    case kPduAssociateRJ:
      AAssociateRJ().ReadDynamic(buffer);
      break;
    case kPduReleaseRQ:
      AReleaseRQ().ReadDynamic(buffer);
      break;
    default:
      AReleaseRP().ReadDynamic(buffer);
      break;
  }
  return 0;
}
