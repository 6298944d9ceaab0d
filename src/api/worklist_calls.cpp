// Modality worklist C-FIND on an association the caller opened.

#include <vector>

#include "api/api_types.hpp"
#include "api/boundary.hpp"
#include "api/query_records.hpp"
#include "dimse/worklist_request.hpp"

using norvane::api::Byte;
using norvane::api::Fail;
using norvane::api::Guarded;
using norvane::api::QueryRecord;
using norvane::api::Text;

extern "C" {

// The query record at index 0 stays the caller's.
uint8_t WriteWLFindRQ(PDU_Service* association, TList* query, const char* sopClass) {
  const TWorklistItem* item = QueryRecord<TWorklistItem>(query);
  if (association == nullptr) return Fail<uint8_t>(0, "no association handle (NULL)");
  if (item == nullptr) return Fail<uint8_t>(0, norvane::api::kNoQueryRecord);
  return Guarded<uint8_t>(0, [&] {
    const norvane::ServiceResult sent = norvane::WriteWLFindRQ(*association, *item, Text(sopClass));
    if (sent) return Byte(true);
    return Fail<uint8_t>(0, sent.reason);
  });
}

int32_t ReadWLFindRSP(PDU_Service* association, TList* results) {
  if (association == nullptr) return Fail<int32_t>(-1, "no association handle (NULL)");
  return Guarded<int32_t>(-1, [&] {
    std::vector<norvane::TWorklistItem> items;
    const norvane::ServiceResult response = norvane::ReadWLFindRSP(*association, items);
    if (results != nullptr) {
      norvane::api::AppendResults<TWorklistItem>(*results, std::move(items));
    }
    if (!response.Ok()) norvane::api::SetLastError(response.reason);
    return response.status ? int32_t{*response.status} : -1;
  });
}

uint8_t ClearWL(TList* list) {
  if (list == nullptr) return 1;
  for (void* entry : list->entries)
    delete static_cast<TWorklistItem*>(entry);
  list->entries.clear();
  return 1;
}

}  // extern "C"
