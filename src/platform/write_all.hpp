#pragma once

#include <cstdint>
#include <span>

namespace norvane {

// Writes every byte to the file descriptor, going on after short writes and interruptions;
// false when a write fails.
bool WriteAll(int fd, std::span<const uint8_t> bytes);

}  // namespace norvane
