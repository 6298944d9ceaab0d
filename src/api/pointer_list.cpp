// The caller's pointer lists.

#include <limits>

#include "api/api_types.hpp"
#include "api/boundary.hpp"

using norvane::api::Guarded;

extern "C" {

TList* NewList(void) {
  return Guarded<TList*>(nullptr, [] { return new TList; });
}

void DeleteList(TList* list) {
  delete list;
}

int32_t ListCount(const TList* list) {
  return list != nullptr ? static_cast<int32_t>(list->entries.size()) : 0;
}

void* ListGet(const TList* list, int32_t index) {
  if (list == nullptr || index < 0 || static_cast<size_t>(index) >= list->entries.size()) {
    return nullptr;
  }
  return list->entries[static_cast<size_t>(index)];
}

int32_t ListAppend(TList* list, void* item) {
  constexpr size_t kMaxEntries = std::numeric_limits<int32_t>::max();
  if (list == nullptr || list->entries.size() >= kMaxEntries) return -1;
  return Guarded<int32_t>(-1, [&] {
    list->entries.push_back(item);
    return static_cast<int32_t>(list->entries.size() - 1);
  });
}

void ListClear(TList* list) {
  if (list != nullptr) list->entries.clear();
}

}  // extern "C"
