#pragma once

#include <cstddef>

namespace norvane {

// Asks the system to back the whole pages inside [data, data + size) with large pages
// where it offers them (transparent huge pages), so that filling a large value costs a few
// hundred page faults instead of one per 4 KiB. Only a hint: nothing changes where it is
// not offered.
void PreferLargePages(void* data, size_t size);

}  // namespace norvane
