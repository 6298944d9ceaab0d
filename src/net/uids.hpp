#pragma once

// UIDs that the upper layer proposes, accepts or compares against.

#include <string_view>

namespace norvane::uid {

inline constexpr std::string_view kApplicationContext = "1.2.840.10008.3.1.1.1";
inline constexpr std::string_view kImplementationClass = "1.2.826.0.1.3680043.2.4821.999";

inline constexpr std::string_view kImplicitVRLittleEndian = "1.2.840.10008.1.2";
inline constexpr std::string_view kExplicitVRLittleEndian = "1.2.840.10008.1.2.1";
inline constexpr std::string_view kExplicitVRBigEndian = "1.2.840.10008.1.2.2";
inline constexpr std::string_view kJPEGBaseline = "1.2.840.10008.1.2.4.50";
inline constexpr std::string_view kJPEGLossless = "1.2.840.10008.1.2.4.70";

inline constexpr std::string_view kVerification = "1.2.840.10008.1.1";
inline constexpr std::string_view kStudyRootQueryRetrieveFind = "1.2.840.10008.5.1.4.1.2.2.1";
inline constexpr std::string_view kStudyRootQueryRetrieveMove = "1.2.840.10008.5.1.4.1.2.2.2";
inline constexpr std::string_view kStudyRootQueryRetrieveGet = "1.2.840.10008.5.1.4.1.2.2.3";
inline constexpr std::string_view kPatientRootQueryRetrieveMove = "1.2.840.10008.5.1.4.1.2.1.2";
inline constexpr std::string_view kPatientRootQueryRetrieveGet = "1.2.840.10008.5.1.4.1.2.1.3";
inline constexpr std::string_view kModalityWorklistFind = "1.2.840.10008.5.1.4.31";
inline constexpr std::string_view kPatientRootQueryRetrieveFind = "1.2.840.10008.5.1.4.1.2.1.1";
inline constexpr std::string_view kUltrasoundMultiframeImageStorage = "1.2.840.10008.5.1.4.1.1.3.1";
inline constexpr std::string_view kSecondaryCaptureImageStorage = "1.2.840.10008.5.1.4.1.1.7";

inline constexpr std::string_view kBasicGrayscalePrintManagementMeta = "1.2.840.10008.5.1.1.9";
inline constexpr std::string_view kBasicColorPrintManagementMeta = "1.2.840.10008.5.1.1.18";
inline constexpr std::string_view kPrinter = "1.2.840.10008.5.1.1.16";
inline constexpr std::string_view kPrinterInstance = "1.2.840.10008.5.1.1.17";
inline constexpr std::string_view kBasicFilmSession = "1.2.840.10008.5.1.1.1";
inline constexpr std::string_view kBasicFilmBox = "1.2.840.10008.5.1.1.2";
inline constexpr std::string_view kBasicGrayscaleImageBox = "1.2.840.10008.5.1.1.4";
inline constexpr std::string_view kBasicColorImageBox = "1.2.840.10008.5.1.1.4.1";

}  // namespace norvane::uid
