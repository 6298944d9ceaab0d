#pragma once

// The transfer syntax UIDs the conversion tests name (`using namespace testing::uids;`).

namespace norvane::testing::uids {

inline constexpr const char* kImplicit = "1.2.840.10008.1.2";
inline constexpr const char* kExplicit = "1.2.840.10008.1.2.1";
inline constexpr const char* kBig = "1.2.840.10008.1.2.2";
inline constexpr const char* kDeflated = "1.2.840.10008.1.2.1.99";
inline constexpr const char* kBaseline = "1.2.840.10008.1.2.4.50";
inline constexpr const char* kExtended = "1.2.840.10008.1.2.4.51";
inline constexpr const char* kLossless = "1.2.840.10008.1.2.4.70";
inline constexpr const char* kRle = "1.2.840.10008.1.2.5";
inline constexpr const char* kJpegLs = "1.2.840.10008.1.2.4.80";
inline constexpr const char* kJpegLsNear = "1.2.840.10008.1.2.4.81";
inline constexpr const char* kJ2kLossless = "1.2.840.10008.1.2.4.90";
inline constexpr const char* kJ2k = "1.2.840.10008.1.2.4.91";

}  // namespace norvane::testing::uids
