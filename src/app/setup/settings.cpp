#include "app/setup/settings.hpp"

#include <array>
#include <cstring>
#include <fstream>

namespace norvane {
namespace {

template <size_t N>
std::string Entry(const std::array<const char*, N>& list, int32_t index) {
  if (index < 0 || static_cast<size_t>(index) >= N) return {};
  return list[static_cast<size_t>(index)];
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
  if (static_cast<size_t>(in.gcount()) != masked.size()) return false;
  for (size_t i = 0; i < masked.size(); ++i)
    record_[i] = masked[i] ^ kSettingsMask;
  return true;
}

bool Settings::Save(const std::string& path) const {
  std::array<uint8_t, kSettingsRecordSize> masked{};
  for (size_t i = 0; i < masked.size(); ++i)
    masked[i] = record_[i] ^ kSettingsMask;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(reinterpret_cast<const char*>(masked.data()), masked.size());
  out.close();
  return !out.fail();
}

std::string FilmDestinationText(int32_t index) {
  static const std::array<const char*, 5> list{"MAGAZINE", "PROCESSOR", "BIN_1", "BIN_2", "BIN_3"};
  return Entry(list, index);
}

std::string FilmOrientationText(int32_t index) {
  static const std::array<const char*, 3> list{"PORTRAIT", "LANDSCAPE", ""};
  return Entry(list, index);
}

std::string FilmSizeText(int32_t index) {
  static const std::array<const char*, 4> list{"14INX17IN", "14INX14IN", "10INX12IN", "8INX10IN"};
  return Entry(list, index);
}

std::string MagnificationTypeText(int32_t index) {
  static const std::array<const char*, 4> list{"REPLICATE", "BILINEAR", "CUBIC", "NONE"};
  return Entry(list, index);
}

}  // namespace norvane
