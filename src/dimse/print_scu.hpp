#pragma once

// Printing one image on a DICOM printer over an association of its own (Basic Grayscale
// or Basic Color Print Management).

#include <string>
#include <string_view>

#include "dimse/film_settings.hpp"

namespace norvane {

// Loads the file (".jpg"/".JPG" JPEG, ".bmp"/".BMP" bitmap, else DICOM), then prints it:
// 8-bit bitmaps in grey; others in colour when `allowColor` is set, else converted to
// grey. Opens an association proposing the Basic Color (colour) or Basic Grayscale Print
// Management Meta SOP class with implicit VR little endian only, asks the printer's
// status (a failure there is logged and printing goes on), creates a film session and a
// film box, sets the first image box (Planar Configuration `planar` for colour), prints
// the film box and deletes it. The first other step that fails ends the job; what was
// created stays. Failures are logged always, successes when the log level is above 0; the
// association trace is on when it is above 1. An empty calling title becomes the default
// title, written back. True when the film box was printed and deleted.
bool PrintSCU_Ex(const std::string& fileName, std::string_view host, std::string_view port,
                 std::string& callingApTitle, std::string_view calledApTitle,
                 const FilmSessioncfg& session, const FilmBoxcfg& box, bool allowColor, int planar);

// PrintSCU_Ex in grey only, planar configuration 1.
bool PrintSCU(const std::string& fileName, std::string_view host, std::string_view port,
              std::string& callingApTitle, std::string_view calledApTitle,
              const FilmSessioncfg& session, const FilmBoxcfg& box);

}  // namespace norvane
