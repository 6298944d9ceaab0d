#pragma once

// The data sets of a print job: film session and film box attributes for N-CREATE, the
// image box for N-SET, and the image box reference in the film box's N-CREATE response.

#include <optional>
#include <string>
#include <string_view>

#include "dimse/film_settings.hpp"
#include "elements/tag_record.hpp"
#include "platform/raster.hpp"

namespace norvane {

// A text attribute as print sends it: the text, with one trailing space when its length is
// odd, whatever the VR.
TagRecord PrintTextTag(Tag tag, std::string_view vr, std::string_view text);

// The non-empty fields as (2000,0010) IS, (2000,0020), (2000,0030), (2000,0040) CS.
TagList FilmSessionDataset(const FilmSessioncfg& session);

// The non-empty fields as (2010,0010) ... (2010,0130), all CS, then an empty Configuration
// Information (2010,0150) and a Referenced Film Session Sequence (2010,0500) of undefined
// length with one item of undefined length naming the Basic Film Session SOP class and
// `filmSessionUID`.
TagList FilmBoxDataset(const FilmBoxcfg& box, std::string_view filmSessionUID);

// Image Position 1, Polarity NORMAL and a Basic Color (`color`) or Basic Grayscale Image
// Sequence of undefined length holding one item with the image pixel module of the
// bitmap. Nullopt when the bitmap cannot be made into a pixel module.
std::optional<TagList> ImageBoxDataset(const Raster& bitmap, bool color, int planar);

struct ImageBoxReference {
  std::string sopClass;
  std::string sopInstance;
};

// The Referenced SOP Class and Instance UIDs (0008,1150), (0008,1155) of the first item of
// the top-level Referenced Image Box Sequence (2010,0510) of a film box N-CREATE response,
// whether the sequence came with a defined length (its value read as implicit VR little
// endian) or flat. Fields the response does not give stay empty.
ImageBoxReference ReadImageBoxReference(const TagList& filmBoxResponse);

}  // namespace norvane
