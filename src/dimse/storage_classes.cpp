#include "dimse/storage_classes.hpp"

#include <array>

#include "net/uids.hpp"

namespace norvane {

std::span<const StorageClass> CommonStorageClasses() {
  static constexpr std::array<StorageClass, 26> kClasses = {{
      {"1.2.840.10008.5.1.4.1.1.1", "Computed Radiography Image Storage"},
      {"1.2.840.10008.5.1.4.1.1.1.1", "Digital X-Ray Image Storage - For Presentation"},
      {"1.2.840.10008.5.1.4.1.1.1.1.1", "Digital X-Ray Image Storage - For Processing"},
      {"1.2.840.10008.5.1.4.1.1.1.2", "Digital Mammography X-Ray Image Storage - For Presentation"},
      {"1.2.840.10008.5.1.4.1.1.1.2.1", "Digital Mammography X-Ray Image Storage - For Processing"},
      {"1.2.840.10008.5.1.4.1.1.2", "CT Image Storage"},
      {"1.2.840.10008.5.1.4.1.1.2.1", "Enhanced CT Image Storage"},
      {uid::kUltrasoundMultiframeImageStorage, "Ultrasound Multi-frame Image Storage"},
      {"1.2.840.10008.5.1.4.1.1.4", "MR Image Storage"},
      {"1.2.840.10008.5.1.4.1.1.4.1", "Enhanced MR Image Storage"},
      {"1.2.840.10008.5.1.4.1.1.6.1", "Ultrasound Image Storage"},
      {uid::kSecondaryCaptureImageStorage, "Secondary Capture Image Storage"},
      {"1.2.840.10008.5.1.4.1.1.12.1", "X-Ray Angiographic Image Storage"},
      {"1.2.840.10008.5.1.4.1.1.12.2", "X-Ray Radiofluoroscopic Image Storage"},
      {"1.2.840.10008.5.1.4.1.1.20", "Nuclear Medicine Image Storage"},
      {"1.2.840.10008.5.1.4.1.1.128", "Positron Emission Tomography Image Storage"},
      {"1.2.840.10008.5.1.4.1.1.481.1", "RT Image Storage"},
      {"1.2.840.10008.5.1.4.1.1.88.11", "Basic Text SR Storage", false},
      {"1.2.840.10008.5.1.4.1.1.88.22", "Enhanced SR Storage", false},
      {"1.2.840.10008.5.1.4.1.1.88.33", "Comprehensive SR Storage", false},
      {"1.2.840.10008.5.1.4.1.1.104.1", "Encapsulated PDF Storage", false},
      {"1.2.840.10008.5.1.4.1.1.9.1.1", "12-lead ECG Waveform Storage", false},
      {"1.2.840.10008.5.1.4.1.1.481.2", "RT Dose Storage", false},
      {"1.2.840.10008.5.1.4.1.1.481.3", "RT Structure Set Storage", false},
      {"1.2.840.10008.5.1.4.1.1.481.5", "RT Plan Storage", false},
      {"1.2.840.10008.5.1.4.1.1.11.1", "Grayscale Softcopy Presentation State Storage", false},
  }};
  return kClasses;
}

}  // namespace norvane
