#include "printimage/print_pixel_module.hpp"

#include <array>
#include <limits>
#include <vector>

#include "datadec/element_encoding.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"

namespace norvane {
namespace {

constexpr std::string_view kMonochrome2 = "MONOCHROME2 ";
constexpr std::string_view kRgb = "RGB ";

std::array<uint8_t, 256> PaletteGrey(const Raster& bitmap) {
  std::array<uint8_t, 256> grey{};
  for (size_t k = 0; k < grey.size(); ++k) {
    const PaletteEntry& e = bitmap.Palette()[k];
    grey[k] = static_cast<uint8_t>((e.red + e.green + e.blue) / 3);
  }
  return grey;
}

}  // namespace

void ConvertToGray(Raster& bitmap) {
  std::optional<Raster> grey =
      Raster::Create(bitmap.Width(), bitmap.Height(), PixelFormat::kPalette8);
  if (!grey) return;  // an empty bitmap has nothing to convert
  grey->SetGreyPalette();
  const std::array<uint8_t, 256> paletteGrey = PaletteGrey(bitmap);
  const size_t step = bitmap.BytesPerPixel();
  for (int y = 0; y < bitmap.Height(); ++y) {
    const uint8_t* src = bitmap.Row(y).data();
    uint8_t* dst = grey->Row(y).data();
    for (int x = 0; x < bitmap.Width(); ++x, src += step) {
      dst[x] = step == 1 ? paletteGrey[*src] : static_cast<uint8_t>((src[0] + src[1] + src[2]) / 3);
    }
  }
  bitmap = std::move(*grey);
}

size_t PixelDataSize(const Raster& bitmap) {
  const size_t pixels = static_cast<size_t>(bitmap.Width()) * static_cast<size_t>(bitmap.Height());
  return bitmap.Format() == PixelFormat::kPalette8 ? pixels : 3 * pixels;
}

bool BitmapToPixelData(const Raster& bitmap, std::span<uint8_t> buffer, int planar) {
  if (buffer.size() != PixelDataSize(bitmap)) return false;
  const size_t width = static_cast<size_t>(bitmap.Width());
  if (bitmap.Format() == PixelFormat::kPalette8) {
    const std::array<uint8_t, 256> grey = PaletteGrey(bitmap);
    for (int y = 0; y < bitmap.Height(); ++y) {
      const std::span<const uint8_t> row = bitmap.Row(y);
      uint8_t* dst = buffer.data() + static_cast<size_t>(y) * width;
      for (size_t x = 0; x < width; ++x)
        dst[x] = grey[row[x]];
    }
    return true;
  }
  const size_t step = bitmap.BytesPerPixel();
  const size_t plane = buffer.size() / 3;
  for (int y = 0; y < bitmap.Height(); ++y) {
    const uint8_t* src = bitmap.Row(y).data();
    const size_t first = static_cast<size_t>(y) * width;
    for (size_t x = 0; x < width; ++x, src += step) {
      const size_t i = first + x;
      if (planar == 1) {
        buffer[i] = src[2];
        buffer[i + plane] = src[1];
        buffer[i + 2 * plane] = src[0];
      } else {
        buffer[3 * i] = src[2];
        buffer[3 * i + 1] = src[1];
        buffer[3 * i + 2] = src[0];
      }
    }
  }
  return true;
}

bool AddImagePixelModule(const Raster& bitmap, TagList& elements, int planar) {
  constexpr int kLargest = std::numeric_limits<uint16_t>::max();
  if (bitmap.Width() < 1 || bitmap.Height() < 1 || bitmap.Width() > kLargest ||
      bitmap.Height() > kLargest) {
    return false;
  }
  const size_t count = PixelDataSize(bitmap);
  if (count + count % 2 >= kUndefinedLength) return false;
  std::vector<uint8_t> pixels(count + count % 2, 0);
  if (!BitmapToPixelData(bitmap, std::span<uint8_t>(pixels).first(count), planar)) return false;

  const bool grey = bitmap.Format() == PixelFormat::kPalette8;
  elements.push_back(GenerateUSTag(tag::kSamplesPerPixel, grey ? 1 : 3));
  elements.push_back(
      GenerateTextTag(tag::kPhotometricInterpretation, "CS", grey ? kMonochrome2 : kRgb));
  if (!grey) {
    elements.push_back(GenerateUSTag(tag::kPlanarConfiguration, static_cast<uint16_t>(planar)));
  }
  elements.push_back(GenerateUSTag(tag::kRows, static_cast<uint16_t>(bitmap.Height())));
  elements.push_back(GenerateUSTag(tag::kColumns, static_cast<uint16_t>(bitmap.Width())));
  elements.push_back(GenerateUSTag(tag::kBitsAllocated, 8));
  elements.push_back(GenerateUSTag(tag::kBitsStored, 8));
  elements.push_back(GenerateUSTag(tag::kHighBit, 7));
  elements.push_back(GenerateUSTag(tag::kPixelRepresentation, 0));
  TagRecord pixelData;
  pixelData.group = tag::kPixelData.group;
  pixelData.element = tag::kPixelData.element;
  pixelData.SetVR("OB");
  pixelData.length = static_cast<uint32_t>(pixels.size());
  pixelData.value = std::move(pixels);
  elements.push_back(std::move(pixelData));
  return true;
}

}  // namespace norvane
