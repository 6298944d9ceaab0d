// C-FIND and C-MOVE on an association the caller opened, and the freeing of query records.

#include <vector>

#include "api/api_types.hpp"
#include "api/boundary.hpp"
#include "api/query_records.hpp"
#include "dimse/find_request.hpp"
#include "dimse/move_request.hpp"

using norvane::api::Byte;
using norvane::api::Fail;
using norvane::api::ForLevel;
using norvane::api::Guarded;
using norvane::api::LevelOf;
using norvane::api::QueryRecord;
using norvane::api::Text;

namespace {

constexpr const char* kNoAssociation = "no association handle (NULL)";

// A response's status, or -1 when none was read. A response that was not read, or that
// carried a failure status, leaves its reason as the last error text.
int32_t StatusOf(const norvane::ServiceResult& response) {
  if (!response.Ok()) norvane::api::SetLastError(response.reason);
  return response.status ? int32_t{*response.status} : -1;
}

// Builds the request from the query record at index 0 and frees that record; its entry
// becomes null, so the list holds no pointer to freed memory. Refused, with nothing sent
// and nothing freed, for an unknown level or a list without a query record: a request
// announcing an identifier that never follows would leave the peer waiting.
template <class Send>
uint8_t SendQuery(PDU_Service* association, TList* list, const char* level, Send&& send) {
  const std::optional<norvane::QueryLevel> queryLevel = LevelOf(level);
  if (association == nullptr) return Fail<uint8_t>(0, kNoAssociation);
  if (!queryLevel) return Fail<uint8_t>(0, norvane::api::kUnknownLevel);
  if (list == nullptr || list->entries.empty() || list->entries[0] == nullptr) {
    return Fail<uint8_t>(0, norvane::api::kNoQueryRecord);
  }
  return Guarded<uint8_t>(0, [&] {
    return ForLevel(*queryLevel, [&](auto type) {
      using Record = typename decltype(type)::type;
      Record* query = QueryRecord<Record>(list);
      const norvane::ServiceResult sent = send(static_cast<const typename Record::Core&>(*query));
      delete query;
      list->entries[0] = nullptr;
      if (!sent) norvane::api::SetLastError(sent.reason);
      return Byte(sent.Ok());
    });
  });
}

}  // namespace

extern "C" {

uint8_t WriteFindRQ(PDU_Service* association, TList* query, const char* sopClass,
                    const char* level) {
  return SendQuery(association, query, level, [&](const auto& record) {
    return norvane::WriteFindRQ(*association, record, Text(sopClass));
  });
}

int32_t ReadFindRSP(PDU_Service* association, TList* results, const char* level) {
  if (association == nullptr) return Fail<int32_t>(-1, kNoAssociation);
  return Guarded<int32_t>(-1, [&] {
    const std::optional<norvane::QueryLevel> queryLevel = LevelOf(level);
    if (!queryLevel) {
      // The response is read all the same; no record type holds it.
      norvane::TagList identifier;
      return StatusOf(norvane::ReadFindResponse(*association, identifier));
    }
    return ForLevel(*queryLevel, [&](auto type) {
      using Record = typename decltype(type)::type;
      std::vector<typename Record::Core> records;
      const norvane::ServiceResult response = norvane::ReadFindRSP(*association, records);
      if (results != nullptr) norvane::api::AppendResults<Record>(*results, std::move(records));
      return StatusOf(response);
    });
  });
}

uint8_t WriteMoveRQ(PDU_Service* association, TList* query, const char* sopClass, const char* level,
                    const char* moveDestination) {
  return SendQuery(association, query, level, [&](const auto& record) {
    return norvane::WriteMoveRQ(*association, record, Text(sopClass), Text(moveDestination));
  });
}

int32_t ReadMoveRSP(PDU_Service* association, int32_t* remaining) {
  int32_t left = -1;
  const int32_t status =
      association == nullptr ? Fail<int32_t>(-1, kNoAssociation) : Guarded<int32_t>(-1, [&] {
        norvane::DimseCommand response;
        const norvane::ServiceResult read = norvane::ReadMoveRSP(*association, response);
        const int32_t readStatus = StatusOf(read);
        if (readStatus >= 0) {
          left = response.remaining.value_or(0);
        }
        return readStatus;
      });
  if (remaining != nullptr) *remaining = left;
  return status;
}

// Frees every record as one of the level's type, then empties the list; for another level
// only empties it.
uint8_t ClearQuery(TList* list, const char* level) {
  if (list == nullptr) return 1;
  if (const std::optional<norvane::QueryLevel> queryLevel = LevelOf(level)) {
    ForLevel(*queryLevel, [&](auto type) {
      using Record = typename decltype(type)::type;
      for (void* entry : list->entries)
        delete static_cast<Record*>(entry);
    });
  }
  list->entries.clear();
  return 1;
}

}  // extern "C"
