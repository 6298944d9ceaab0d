#include "app/about_text.hpp"

#include "platform/library_version.hpp"

namespace norvane {
namespace {

constexpr const char* kMakerNotice =
    "Made by the Norvane developers. Free for testing DICOM nodes.";

}  // namespace

std::string AboutText() {
  return std::string("Norvane V3.1\n\rVADEZEZO Version: ") + std::string(LibraryVersion()) +
         "\n\r" + "DICOM SCU for many services" + "\n\r\n\r" + kMakerNotice;
}

}  // namespace norvane
