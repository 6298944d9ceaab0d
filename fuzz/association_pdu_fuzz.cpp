// The association PDUs as an acceptor and a requester read them: A-ASSOCIATE-RQ (then
// decided by the storage SCP's policy), A-ASSOCIATE-AC, A-ASSOCIATE-RJ, A-RELEASE-RQ and
// A-RELEASE-RP, from bytes in a buffer without a connection. The first byte is the PDU type.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_support.hpp"
#include "net/pdu_layout.hpp"
#include "net/pdu_service.hpp"
#include "scp/acceptor_policy.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace norvane;
  if (size < 1 || size > fuzz::kMaxInput) return 0;
  PDU_Service pdu;
  pdu.SetAcceptorPolicy(StorageAcceptorPolicy());
  Buffer& buffer = pdu.buffer();
  buffer.AppendIncoming(std::vector<uint8_t>(data + 1, data + size));
  switch (data[0]) {
    case kPduAssociateRQ:
      // The answer cannot be sent without a connection; deciding it is what counts.
      if (pdu.assocRQ().ReadDynamic(buffer)) pdu.InterogateAAsociateRQ();
      break;
    case kPduAssociateAC:
      pdu.assocAC().ReadDynamic(buffer);
      break;
    case kPduAssociateRJ:
      pdu.assocRJ().ReadDynamic(buffer);
      break;
    case kPduReleaseRQ:
      pdu.releaseRQ().ReadDynamic(buffer);
      break;
    default:
      pdu.releaseRP().ReadDynamic(buffer);
      break;
  }
  return 0;
}
