#include "app/setup/settings.hpp"

#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "platform/replace_file.hpp"

namespace norvane {
namespace {

constexpr std::array<std::string_view, 3> kLogLevels{"No Log", "PDU Level", "Socket Level"};
constexpr std::array<std::string_view, 5> kFilmDestinations{"MAGAZINE", "PROCESSOR", "BIN_1",
                                                            "BIN_2", "BIN_3"};
constexpr std::array<std::string_view, 3> kFilmOrientations{"PORTRAIT", "LANDSCAPE", ""};
constexpr std::array<std::string_view, 4> kFilmSizes{"14INX17IN", "14INX14IN", "10INX12IN",
                                                     "8INX10IN"};
constexpr std::array<std::string_view, 4> kMagnificationTypes{"REPLICATE", "BILINEAR", "CUBIC",
                                                              "NONE"};

std::string Entry(std::span<const std::string_view> list, int32_t index) {
  if (index < 0 || static_cast<size_t>(index) >= list.size()) return {};
  return std::string(list[static_cast<size_t>(index)]);
}

SettingsSaveResult SaveFailed(const std::string& what, const std::string& path) {
  return {false, "cannot " + what + " " + path + ": " + std::strerror(errno)};
}

}  // namespace

Settings::Settings() {
  SetText(kHost, "127.0.0.1");
  SetText(kPort, "104");
  SetText(kLocalAET, "local");
  SetText(kRemoteAET, "remote");
}

std::string Settings::Text(Field f) const {
  const auto* begin = reinterpret_cast<const char*>(record_.data() + f.offset);
  return std::string(begin, strnlen(begin, f.size));
}

void Settings::SetText(Field f, std::string_view v) {
  const size_t n = v.size() < f.size - 1 ? v.size() : f.size - 1;
  std::memcpy(record_.data() + f.offset, v.data(), n);
  record_[f.offset + n] = 0;
}

int32_t Settings::Int(size_t offset) const {
  const uint32_t v = static_cast<uint32_t>(record_[offset]) |
                     static_cast<uint32_t>(record_[offset + 1]) << 8 |
                     static_cast<uint32_t>(record_[offset + 2]) << 16 |
                     static_cast<uint32_t>(record_[offset + 3]) << 24;
  return static_cast<int32_t>(v);
}

void Settings::SetInt(size_t offset, int32_t v) {
  const auto u = static_cast<uint32_t>(v);
  for (size_t i = 0; i < 4; ++i)
    record_[offset + i] = static_cast<uint8_t>(u >> (8 * i));
}

bool Settings::Load(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::array<uint8_t, kSettingsRecordSize> masked{};
  in.read(reinterpret_cast<char*>(masked.data()), masked.size());
  // A file shorter than the record is treated as absent: the initial values stay, rather
  // than a record whose tail nobody wrote.
  if (static_cast<size_t>(in.gcount()) != masked.size()) return false;
  for (size_t i = 0; i < masked.size(); ++i)
    record_[i] = masked[i] ^ kSettingsMask;
  return true;
}

SettingsSaveResult Settings::Save(const std::string& path) const {
  std::array<uint8_t, kSettingsRecordSize> masked{};
  for (size_t i = 0; i < masked.size(); ++i)
    masked[i] = record_[i] ^ kSettingsMask;
  FileReplacement file(path);
  if (!file.Open()) return SaveFailed("create a file beside", path);
  if (!file.Write(masked) || !file.Commit()) return SaveFailed("write", path);
  return {true, {}};
}

std::span<const std::string_view> LogLevelEntries() {
  return kLogLevels;
}

std::span<const std::string_view> FilmDestinationEntries() {
  return kFilmDestinations;
}

std::span<const std::string_view> FilmOrientationEntries() {
  return kFilmOrientations;
}

std::span<const std::string_view> FilmSizeEntries() {
  return kFilmSizes;
}

std::span<const std::string_view> MagnificationTypeEntries() {
  return kMagnificationTypes;
}

std::string FilmDestinationText(int32_t index) {
  return Entry(kFilmDestinations, index);
}

std::string FilmOrientationText(int32_t index) {
  return Entry(kFilmOrientations, index);
}

std::string FilmSizeText(int32_t index) {
  return Entry(kFilmSizes, index);
}

std::string MagnificationTypeText(int32_t index) {
  return Entry(kMagnificationTypes, index);
}

}  // namespace norvane
