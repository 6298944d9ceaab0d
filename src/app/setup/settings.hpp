#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace norvane {

inline constexpr std::string_view kSettingsFileName = "testscu.cfg";
inline constexpr size_t kSettingsRecordSize = 440;
inline constexpr uint8_t kSettingsMask = 0xB6;

// How saving the settings went; the reason is for the operator.
struct [[nodiscard]] SettingsSaveResult {
  bool saved = false;
  std::string reason;  // empty when saved

  explicit operator bool() const { return saved; }
};

// The operator's connection and print settings: a fixed 440-byte record that is also the
// exact (masked) content of the settings file. Texts are NUL-terminated inside their field;
// bytes after the NUL keep whatever a longer earlier text left there.
class Settings {
 public:
  // The longest texts the fields hold (each keeps its terminating NUL).
  static constexpr size_t kMaxHostLength = 127;
  static constexpr size_t kMaxPortLength = 31;
  static constexpr size_t kMaxTitleLength = 127;

  // The setup dialog's initial values: "127.0.0.1", "104", "local", "remote", log level 0
  // and the first entry of every print list.
  Settings();

  std::string host() const { return Text(kHost); }
  std::string port() const { return Text(kPort); }
  std::string localAET() const { return Text(kLocalAET); }
  std::string remoteAET() const { return Text(kRemoteAET); }
  int32_t logLevel() const { return Int(kLogLevel); }
  int32_t filmDestination() const { return Int(kFilmDestination); }
  int32_t filmOrientation() const { return Int(kFilmOrientation); }
  int32_t filmSize() const { return Int(kFilmSize); }
  int32_t magnificationType() const { return Int(kMagnificationType); }
  bool planarConfiguration() const { return record_[kPlanarFlag] != 0; }

  // Texts longer than their field are cut so that the terminating NUL stays inside.
  void setHost(std::string_view v) { SetText(kHost, v); }
  void setPort(std::string_view v) { SetText(kPort, v); }
  void setLocalAET(std::string_view v) { SetText(kLocalAET, v); }
  void setRemoteAET(std::string_view v) { SetText(kRemoteAET, v); }
  void setLogLevel(int32_t v) { SetInt(kLogLevel, v); }
  void setFilmDestination(int32_t v) { SetInt(kFilmDestination, v); }
  void setFilmOrientation(int32_t v) { SetInt(kFilmOrientation, v); }
  void setFilmSize(int32_t v) { SetInt(kFilmSize, v); }
  void setMagnificationType(int32_t v) { SetInt(kMagnificationType, v); }
  void setPlanarConfiguration(bool v) { record_[kPlanarFlag] = v ? 1 : 0; }

  // Reads the masked record. A missing, unreadable or short file leaves the record as it
  // was and returns false (a short file counts as absent).
  bool Load(const std::string& path);
  // Writes the masked record through a temporary file in the same folder that replaces
  // the file only once it is complete, so a failed save leaves the old file as it was.
  SettingsSaveResult Save(const std::string& path) const;

  const std::array<uint8_t, kSettingsRecordSize>& record() const { return record_; }

 private:
  struct Field {
    size_t offset;
    size_t size;
  };
  static constexpr Field kHost{0, kMaxHostLength + 1};
  static constexpr Field kPort{128, kMaxPortLength + 1};
  static constexpr Field kLocalAET{160, kMaxTitleLength + 1};
  static constexpr Field kRemoteAET{288, kMaxTitleLength + 1};
  static constexpr size_t kLogLevel = 416;
  static constexpr size_t kFilmDestination = 420;
  static constexpr size_t kFilmOrientation = 424;
  static constexpr size_t kFilmSize = 428;
  static constexpr size_t kMagnificationType = 432;
  static constexpr size_t kPlanarFlag = 436;

  std::string Text(Field f) const;
  void SetText(Field f, std::string_view v);
  int32_t Int(size_t offset) const;
  void SetInt(size_t offset, int32_t v);

  std::array<uint8_t, kSettingsRecordSize> record_{};
};

// The entries of the setup dialog's lists, in order. The log level is stored as the
// entry's position plus 1 (0 when none was chosen); the print choices as the position
// (-1 for none).
std::span<const std::string_view> LogLevelEntries();
std::span<const std::string_view> FilmDestinationEntries();
std::span<const std::string_view> FilmOrientationEntries();
std::span<const std::string_view> FilmSizeEntries();
std::span<const std::string_view> MagnificationTypeEntries();

// Texts of the print choice lists, by index; empty for -1 or an index past the list.
std::string FilmDestinationText(int32_t index);
std::string FilmOrientationText(int32_t index);
std::string FilmSizeText(int32_t index);
std::string MagnificationTypeText(int32_t index);

}  // namespace norvane
