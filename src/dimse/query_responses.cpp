#include "dimse/query_responses.hpp"

namespace norvane {

std::string CutOffReason(size_t maxResults) {
  return "result cut off after " + std::to_string(maxResults) +
         " records: the peer has more matches, the query was cancelled";
}

}  // namespace norvane
