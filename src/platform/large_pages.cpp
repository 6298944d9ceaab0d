#include "platform/large_pages.hpp"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace norvane {

// A span smaller than one large page cannot hold one: no call for it.
constexpr size_t kLargePage = 2 * 1024 * 1024;

void PreferLargePages(void* data, size_t size) {
  if (size < kLargePage) return;
  const auto page = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
  const auto begin = reinterpret_cast<uintptr_t>(data);
  const uintptr_t first = (begin + page - 1) / page * page;
  const uintptr_t last = (begin + size) / page * page;
  if (first < last) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

}  // namespace norvane
