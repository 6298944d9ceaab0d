#pragma once

// The storage SOP classes this system retrieves and probes for, with their names.

#include <span>
#include <string_view>

namespace norvane {

struct StorageClass {
  std::string_view uid;
  std::string_view name;
  bool image = true;  // an image class, which may travel compressed
};

// The image classes of radiology and the common non-image ones (SR, RT, PDF, ECG
// waveforms, presentation states), images first.
std::span<const StorageClass> CommonStorageClasses();

}  // namespace norvane
