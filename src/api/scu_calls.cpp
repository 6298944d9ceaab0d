// The one-call services: each opens and releases an association of its own. Every call
// into them is in this file (and the association entry points in association_calls.cpp).

#include <string>
#include <vector>

#include "api/api_types.hpp"
#include "api/boundary.hpp"
#include "api/peer.hpp"
#include "api/query_records.hpp"
#include "dimse/find_scu.hpp"
#include "dimse/move_scu.hpp"
#include "dimse/print_scu.hpp"
#include "dimse/send_series.hpp"
#include "dimse/store_scu.hpp"

using norvane::api::Byte;
using norvane::api::Fail;
using norvane::api::ForLevel;
using norvane::api::Guarded;
using norvane::api::LevelOf;
using norvane::api::PeerOf;
using norvane::api::QueryRecord;
using norvane::api::Succeeded;
using norvane::api::Text;

namespace {

const norvane::FilmSessioncfg& SessionOrDefault(const FilmSessioncfg* session) {
  static const norvane::FilmSessioncfg kEmpty;
  return session != nullptr ? *session : kEmpty;
}

const norvane::FilmBoxcfg& BoxOrDefault(const FilmBoxcfg* box) {
  static const norvane::FilmBoxcfg kEmpty;
  return box != nullptr ? *box : kEmpty;
}

// A query at a level other than the three, or without a query record, is refused before
// anything is sent: a C-FIND-RQ or C-MOVE-RQ announcing an identifier that never follows
// would leave the peer waiting. Once the association was open the query record has been
// used: it is freed and the list emptied (`use` may then append the results); otherwise
// the list is left as it was.
template <class Run>
uint8_t RunQuery(const char* level, TList* list, Run&& run) {
  const std::optional<norvane::QueryLevel> queryLevel = LevelOf(level);
  if (!queryLevel) return Fail<uint8_t>(0, norvane::api::kUnknownLevel);
  if (list == nullptr || list->entries.empty() || list->entries[0] == nullptr) {
    return Fail<uint8_t>(0, norvane::api::kNoQueryRecord);
  }
  return Guarded<uint8_t>(0, [&] {
    return ForLevel(*queryLevel, [&](auto type) {
      using Record = typename decltype(type)::type;
      Record* query = QueryRecord<Record>(list);
      return Byte(run(type, static_cast<const typename Record::Core&>(*query), [&] {
        delete query;
        list->entries.clear();
      }));
    });
  });
}

}  // namespace

extern "C" {

uint8_t FindSCU(const char* host, const char* port, char* callingApTitle, const char* calledApTitle,
                const char* level, TList* list) {
  return RunQuery(level, list, [&](auto type, const auto& query, auto&& consume) {
    using Record = typename decltype(type)::type;
    std::vector<typename Record::Core> results;
    const norvane::FindResult result =
        norvane::FindSCU(PeerOf(host, port, callingApTitle, calledApTitle), query, results);
    if (result.associated) {
      consume();
      norvane::api::AppendResults<Record>(*list, std::move(results));
    }
    return Succeeded(result);
  });
}

uint8_t MoveSCU(const char* host, const char* port, char* callingApTitle, const char* calledApTitle,
                const char* moveDestination, const char* level, TList* list) {
  return RunQuery(level, list, [&](auto, const auto& query, auto&& consume) {
    const norvane::MoveResult result = norvane::MoveSCU(
        PeerOf(host, port, callingApTitle, calledApTitle), Text(moveDestination), query);
    if (result.associated) consume();
    return Succeeded(result);
  });
}

int32_t StoreSCU(const char* host, const char* port, char* callingApTitle,
                 const char* calledApTitle, const char* fileName,
                 const char* preferredTransferSyntax, uint8_t convert) {
  return Guarded<int32_t>(0, [&] {
    const norvane::AssociationParameters peer = PeerOf(host, port, callingApTitle, calledApTitle);
    return int32_t{Byte(Succeeded(norvane::StoreSCU(peer, std::string(Text(fileName)),
                                                    Text(preferredTransferSyntax), convert != 0)))};
  });
}

// 1 only when every file of the series was stored with status 0x0000.
int32_t SendSeries(const char* host, const char* port, char* callingApTitle,
                   const char* calledApTitle, const char* folder,
                   const char* preferredTransferSyntax, uint8_t convert) {
  return Guarded<int32_t>(0, [&] {
    const norvane::AssociationParameters peer = PeerOf(host, port, callingApTitle, calledApTitle);
    return int32_t{Byte(Succeeded(norvane::SendSeries(
        peer, std::string(Text(folder)), Text(preferredTransferSyntax), convert != 0)))};
  });
}

uint8_t PrintSCU_Ex(const char* fileName, const char* host, const char* port, char* callingApTitle,
                    const char* calledApTitle, const FilmSessioncfg* session, const FilmBoxcfg* box,
                    uint8_t allowColor, int32_t planarConfiguration) {
  return Guarded<uint8_t>(0, [&] {
    const norvane::AssociationParameters peer = PeerOf(host, port, callingApTitle, calledApTitle);
    return Byte(
        Succeeded(norvane::PrintSCU_Ex(std::string(Text(fileName)), peer, SessionOrDefault(session),
                                       BoxOrDefault(box), allowColor != 0, planarConfiguration)));
  });
}

uint8_t PrintSCU(const char* fileName, const char* host, const char* port, char* callingApTitle,
                 const char* calledApTitle, const FilmSessioncfg* session, const FilmBoxcfg* box) {
  return Guarded<uint8_t>(0, [&] {
    const norvane::AssociationParameters peer = PeerOf(host, port, callingApTitle, calledApTitle);
    return Byte(Succeeded(norvane::PrintSCU(std::string(Text(fileName)), peer,
                                            SessionOrDefault(session), BoxOrDefault(box))));
  });
}

}  // extern "C"
