#include "dimse/film_settings.hpp"

#include <array>

#include "elements/tags.hpp"

namespace norvane {

template <>
std::span<const RecordField<FilmSessioncfg>> RecordFields<FilmSessioncfg>() {
  using S = FilmSessioncfg;
  static constexpr std::array<RecordField<S>, 4> kFields{{
      {"NumberOfCopies", &S::NumberOfCopies, tag::kNumberOfCopies},
      {"PrintPriority", &S::PrintPriority, tag::kPrintPriority},
      {"MediumType", &S::MediumType, tag::kMediumType},
      {"FilmDestination", &S::FilmDestination, tag::kFilmDestination},
  }};
  return kFields;
}

template <>
std::span<const RecordField<FilmBoxcfg>> RecordFields<FilmBoxcfg>() {
  using B = FilmBoxcfg;
  static constexpr std::array<RecordField<B>, 8> kFields{{
      {"ImageDisplayFormat", &B::ImageDisplayFormat, tag::kImageDisplayFormat},
      {"FilmOrientation", &B::FilmOrientation, tag::kFilmOrientation},
      {"FilmSizeID", &B::FilmSizeID, tag::kFilmSizeID},
      {"MagnificationType", &B::MagnificationType, tag::kMagnificationType},
      {"BorderDensity", &B::BorderDensity, tag::kBorderDensity},
      {"EmptyImageDensity", &B::EmptyImageDensity, tag::kEmptyImageDensity},
      {"MinDensity", &B::MinDensity, tag::kMinDensity},
      {"MaxDensity", &B::MaxDensity, tag::kMaxDensity},
  }};
  return kFields;
}

}  // namespace norvane
