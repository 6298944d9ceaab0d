#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "dimse/dimse_exchange.hpp"
#include "dimse/query_records.hpp"
#include "elements/tag_record.hpp"
#include "net/association_parameters.hpp"
#include "net/received_value_sink.hpp"
#include "net/service_result.hpp"

namespace norvane {

// How a C-GET went: success only for a final status 0x0000; otherwise the association's
// failure, kNotSent, or kStatus with the final response's status (a warning 0xB000, some
// sub-operations failed, is no success).
struct [[nodiscard]] GetResult : ServiceResult {
  bool associated = false;  // the association was opened
  size_t responses = 0;     // C-GET-RSPs read, pending and final
  // The sub-operation numbers of the latest response that carried each of them.
  std::optional<uint16_t> completed;
  std::optional<uint16_t> failed;
  std::optional<uint16_t> warning;
  size_t received = 0;  // C-STORE-RQs whose data set arrived
  size_t kept = 0;      // of those, the ones answered with status 0x0000
};

// Where the objects a C-GET brings are kept.
class RetrievedObjects {
 public:
  virtual ~RetrievedObjects() = default;
  // Before the data set of the next object (in `transferSyntax`) is read: the sink that
  // takes its large values as they arrive (MessageDecoder), or null to gather them.
  virtual ReceivedValueSink* Receiving(const std::string& transferSyntax) = 0;
  // Takes the object whose data set arrived, decoded in `transferSyntax`, and gives the
  // status of its C-STORE-RSP.
  virtual uint16_t Keep(TagList dataset, const std::string& transferSyntax) = 0;
  // The data set of the object announced last did not arrive whole.
  virtual void Lost() {}
};
// Called after each C-GET-RSP read, pending ones and the final one.
using GetProgress = std::function<void(const DimseCommand&)>;

// One whole C-GET: opens an association proposing the Study Root Query/Retrieve GET SOP
// class (implicit VR little endian) and the storage contexts of RetrievalStorageContexts
// with the SCP role for each of their classes, sends the identifier of the record's level,
// and serves the C-STORE sub-operations that come on the same association (each object
// to `objects`, its status in the C-STORE-RSP) until the final C-GET-RSP; then releases. A
// command other than a C-STORE-RQ or a C-GET-RSP aborts the association, and so does a data
// set longer than the peer's `maxObjectSize`. The trace is on when the log level is above
// 1.
template <class Record>
GetResult GetSCU(const AssociationParameters& peer, const Record& query, RetrievedObjects& objects,
                 const GetProgress& progress = {});

}  // namespace norvane
