#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace norvane {

// The whole content of a regular file; nullopt when it cannot be opened or read.
std::optional<std::vector<uint8_t>> LoadFileBytes(const std::string& path);

}  // namespace norvane
