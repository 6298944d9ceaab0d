#pragma once

// The film session and film box attributes a print job asks for. An empty field is not
// sent.

#include <string>

#include "dimse/record_fields.hpp"

namespace norvane {

struct FilmSessioncfg {
  std::string NumberOfCopies;   // (2000,0010), IS
  std::string PrintPriority;    // (2000,0020), CS
  std::string MediumType;       // (2000,0030), CS
  std::string FilmDestination;  // (2000,0040), CS
};

// All eight go out with VR CS, the two density limits included.
struct FilmBoxcfg {
  std::string ImageDisplayFormat;  // (2010,0010)
  std::string FilmOrientation;     // (2010,0040)
  std::string FilmSizeID;          // (2010,0050)
  std::string MagnificationType;   // (2010,0060)
  std::string BorderDensity;       // (2010,0100)
  std::string EmptyImageDensity;   // (2010,0110)
  std::string MinDensity;          // (2010,0120)
  std::string MaxDensity;          // (2010,0130)
};

template <>
std::span<const RecordField<FilmSessioncfg>> RecordFields<FilmSessioncfg>();
template <>
std::span<const RecordField<FilmBoxcfg>> RecordFields<FilmBoxcfg>();

}  // namespace norvane
