// The caller's pointer lists.

#include <limits>
#include <string>

#include "api/api_types.hpp"
#include "api/boundary.hpp"

using norvane::api::Fail;
using norvane::api::Guarded;

namespace {

constexpr const char* kNoList = "no list (NULL)";

}  // namespace

extern "C" {

TList* NewList(void) {
  return Guarded<TList*>(nullptr, [] { return new TList; });
}

void DeleteList(TList* list) {
  delete list;
}

int32_t ListCount(const TList* list) {
  if (list == nullptr) return Fail<int32_t>(0, kNoList);
  return static_cast<int32_t>(list->entries.size());
}

void* ListGet(const TList* list, int32_t index) {
  if (list == nullptr) return Fail<void*>(nullptr, kNoList);
  if (index < 0 || static_cast<size_t>(index) >= list->entries.size()) {
    return Fail<void*>(nullptr, "index " + std::to_string(index) +
                                    " is outside the list, which holds " +
                                    std::to_string(list->entries.size()) + " entries");
  }
  return list->entries[static_cast<size_t>(index)];
}

int32_t ListAppend(TList* list, void* item) {
  constexpr size_t kMaxEntries = std::numeric_limits<int32_t>::max();
  if (list == nullptr) return Fail<int32_t>(-1, kNoList);
  if (list->entries.size() >= kMaxEntries) return Fail<int32_t>(-1, "the list is full");
  return Guarded<int32_t>(-1, [&] {
    list->entries.push_back(item);
    return static_cast<int32_t>(list->entries.size() - 1);
  });
}

void ListClear(TList* list) {
  if (list != nullptr) list->entries.clear();
}

}  // extern "C"
