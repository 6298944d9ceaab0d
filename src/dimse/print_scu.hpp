#pragma once

// Printing one image on a DICOM printer over an association of its own (Basic Grayscale
// or Basic Color Print Management).

#include <cstdint>
#include <string>
#include <string_view>

#include "dimse/film_settings.hpp"
#include "net/service_result.hpp"

namespace norvane {

// The steps of a print job that end it when they fail, in order.
enum class PrintStep : uint8_t {
  kOpenJpegFile,    // a ".jpg" file into the bitmap
  kOpenBitmapFile,  // a ".bmp" file into the bitmap
  kOpenDicomFile,   // any other file, as a DICOM image
  kAssociation,     // the print association
  kFilmSession,     // N-CREATE of the Basic Film Session
  kFilmBox,         // N-CREATE of the Basic Film Box
  kImageBox,        // N-SET of the image box
  kPrintAction,     // N-ACTION print of the film box
  kDeleteFilmBox,   // N-DELETE of the film box
};

// The log line of a step that failed: "ERROR: opening JPEG File", "Connection Failed!",
// "Create Film Session: Failed!", "Create Film Box: Failed!", "Set Image Box: Failed!",
// "Film Box Action: Failed!", "FilmBox Delete: Failed!".
std::string_view PrintStepFailureLine(PrintStep step);

// How a print job went: success when the film box was printed and deleted; otherwise the
// step that failed and its failure (a file that cannot be loaded is kLocal, with the
// loader's words as the reason).
struct [[nodiscard]] PrintResult : ServiceResult {
  PrintStep failedStep = PrintStep::kOpenDicomFile;  // meaningful when the job failed
  // The printer status query (N-GET), whose failure is only logged; success when it was
  // not asked.
  ServiceResult printerStatus;
};

// Loads the file (".jpg"/".JPG" JPEG, ".bmp"/".BMP" bitmap, else DICOM), then prints it:
// 8-bit bitmaps in grey; others in colour when `allowColor` is set, else converted to
// grey. Opens an association proposing the Basic Color (colour) or Basic Grayscale Print
// Management Meta SOP class with implicit VR little endian only, asks the printer's
// status (a failure there is logged and printing goes on), creates a film session and a
// film box, sets the first image box (Planar Configuration `planar` for colour), prints
// the film box and deletes it. The first other step that fails ends the job; what was
// created stays. Failures are logged always, successes when the log level is above 0; the
// association trace is on when it is above 1. An empty calling title becomes the default
// title, written back.
PrintResult PrintSCU_Ex(const std::string& fileName, std::string_view host, std::string_view port,
                        std::string& callingApTitle, std::string_view calledApTitle,
                        const FilmSessioncfg& session, const FilmBoxcfg& box, bool allowColor,
                        int planar);

// PrintSCU_Ex in grey only, planar configuration 1.
PrintResult PrintSCU(const std::string& fileName, std::string_view host, std::string_view port,
                     std::string& callingApTitle, std::string_view calledApTitle,
                     const FilmSessioncfg& session, const FilmBoxcfg& box);

}  // namespace norvane
