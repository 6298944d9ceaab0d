// C-FIND and C-MOVE on an association the caller opened, and the freeing of query records.

#include <vector>

#include "api/api_types.hpp"
#include "api/boundary.hpp"
#include "api/query_records.hpp"
#include "dimse/find_request.hpp"
#include "dimse/move_request.hpp"

using norvane::api::Byte;
using norvane::api::ForLevel;
using norvane::api::Guarded;
using norvane::api::LevelOf;
using norvane::api::QueryRecord;
using norvane::api::Text;

namespace {

// A response's status, or -1 when none was read.
int32_t StatusOf(const norvane::ServiceResult& response) {
  return response.status ? int32_t{*response.status} : -1;
}

// Builds the request from the query record at index 0 and frees that record; its entry
// becomes null, so the list holds no pointer to freed memory. Refused, with nothing sent
// and nothing freed, for an unknown level or a list without a query record: a request
// announcing an identifier that never follows would leave the peer waiting.
template <class Send>
uint8_t SendQuery(PDU_Service* association, TList* list, const char* level, Send&& send) {
  const std::optional<norvane::QueryLevel> queryLevel = LevelOf(level);
  if (association == nullptr || !queryLevel || list == nullptr || list->entries.empty() ||
      list->entries[0] == nullptr) {
    return 0;
  }
  return Guarded<uint8_t>(0, [&] {
    return ForLevel(*queryLevel, [&](auto type) {
      using Record = typename decltype(type)::type;
      Record* query = QueryRecord<Record>(list);
      const bool sent = send(static_cast<const typename Record::Core&>(*query)).Ok();
      delete query;
      list->entries[0] = nullptr;
      return Byte(sent);
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
  if (association == nullptr) return -1;
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
  const int32_t status = association == nullptr ? -1 : Guarded<int32_t>(-1, [&] {
    norvane::DimseCommand response;
    const norvane::ServiceResult read = norvane::ReadMoveRSP(*association, response);
    if (!read.status) return -1;
    left = response.remaining.value_or(0);
    return int32_t{*read.status};
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
