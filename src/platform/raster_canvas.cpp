#include "platform/raster_canvas.hpp"

#include <cairo.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <map>

#include "platform/cairo_pixels.hpp"

namespace norvane {
namespace {

// Cairo's 24-bit format keeps each pixel as one native 32-bit word 0xXXRRGGBB: on a
// little-endian machine the bytes blue, green, red, unused, which is our 32-bit format.
constexpr bool kSurfaceIsBgrx = std::endian::native == std::endian::little;

int ColourDistance(PaletteEntry a, PaletteEntry b) {
  const int dr = a.red - b.red;
  const int dg = a.green - b.green;
  const int db = a.blue - b.blue;
  return dr * dr + dg * dg + db * db;
}

uint8_t NearestPaletteIndex(const std::array<PaletteEntry, 256>& palette, PaletteEntry colour) {
  size_t best = 0;
  int bestDistance = ColourDistance(palette[0], colour);
  for (size_t k = 1; k < palette.size() && bestDistance != 0; ++k) {
    const int d = ColourDistance(palette[k], colour);
    if (d < bestDistance) {
      best = k;
      bestDistance = d;
    }
  }
  return static_cast<uint8_t>(best);
}

// Length of the UTF-8 sequence starting at text[i], or 0 when none starts there.
size_t Utf8SequenceLength(std::string_view text, size_t i) {
  const auto byte = [&](size_t k) { return static_cast<uint8_t>(text[k]); };
  const uint8_t lead = byte(i);
  if (lead < 0x80) return 1;
  size_t length = 0;
  uint32_t code = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code = lead & 0x07;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  for (size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(i + k) & 0x3F);
  }
  const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
  const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
  if (overlong || surrogate || code > 0x10FFFF) return 0;
  return length;
}

}  // namespace

int FontPixelHeight(int points) {
  // points * 96 / 72, rounded half away from zero.
  const long scaled = static_cast<long>(points) * 96;
  return static_cast<int>(scaled >= 0 ? (scaled + 36) / 72 : (scaled - 36) / 72);
}

std::string ValidUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const size_t length = Utf8SequenceLength(text, i);
    if (length == 0) {
      out += "\xEF\xBF\xBD";
      ++i;
    } else {
      out.append(text.substr(i, length));
      i += length;
    }
  }
  return out;
}

void RasterCanvas::CairoDeleter::operator()(cairo_t* context) const {
  cairo_destroy(context);
}

void RasterCanvas::CairoDeleter::operator()(cairo_surface_t* surface) const {
  cairo_surface_destroy(surface);
}

RasterCanvas::RasterCanvas(Raster& raster) : raster_(raster) {
  if (raster.Width() < 1 || raster.Height() < 1) return;
  inPlace_ = kSurfaceIsBgrx && raster.Format() == PixelFormat::kBgrx32 &&
             static_cast<size_t>(cairo_format_stride_for_width(CAIRO_FORMAT_RGB24,
                                                               raster.Width())) == raster.Stride();
  if (inPlace_) {
    surface_.reset(cairo_image_surface_create_for_data(raster.Row(0).data(), CAIRO_FORMAT_RGB24,
                                                       raster.Width(), raster.Height(),
                                                       static_cast<int>(raster.Stride())));
  } else {
    surface_.reset(cairo_image_surface_create(CAIRO_FORMAT_RGB24, raster.Width(), raster.Height()));
  }
  if (cairo_surface_status(surface_.get()) != CAIRO_STATUS_SUCCESS) return;
  if (!inPlace_) CopyRasterToSurface(raster_, surface_.get());
  context_.reset(cairo_create(surface_.get()));
  if (cairo_status(context_.get()) != CAIRO_STATUS_SUCCESS) return;
  cairo_set_antialias(context_.get(), CAIRO_ANTIALIAS_NONE);
  cairo_set_line_cap(context_.get(), CAIRO_LINE_CAP_SQUARE);
  // Round corners: every point of a polyline is covered, even where the line turns back
  // on itself, and sharp turns get no spikes beyond their points.
  cairo_set_line_join(context_.get(), CAIRO_LINE_JOIN_ROUND);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  cairo_set_font_options(context_.get(), options);
  cairo_font_options_destroy(options);
  ApplyFont();
}

RasterCanvas::~RasterCanvas() {
  Finish();
}

bool RasterCanvas::Ok() const {
  return context_ && cairo_status(context_.get()) == CAIRO_STATUS_SUCCESS;
}

void RasterCanvas::SetPen(PaletteEntry colour, int width) {
  pen_ = colour;
  penWidth_ = width < 1 ? 1 : width;
}

void RasterCanvas::SetBrush(PaletteEntry colour) {
  brush_ = colour;
}

void RasterCanvas::SetFont(const CanvasFont& font) {
  font_ = font;
  ApplyFont();
}

void RasterCanvas::SetTextColour(PaletteEntry colour) {
  textColour_ = colour;
}

void RasterCanvas::ApplyColour(PaletteEntry colour) {
  cairo_set_source_rgb(context_.get(), colour.red / 255.0, colour.green / 255.0,
                       colour.blue / 255.0);
}

void RasterCanvas::ApplyFont() {
  if (!Ok()) return;
  const std::string family = ValidUtf8(font_.family);
  cairo_select_font_face(context_.get(), family.c_str(), CAIRO_FONT_SLANT_NORMAL,
                         font_.bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(context_.get(), FontPixelHeight(font_.points));
}

void RasterCanvas::FillRectangle(int x, int y, int width, int height) {
  if (!Ok() || width <= 0 || height <= 0) return;
  ApplyColour(brush_);
  cairo_rectangle(context_.get(), x, y, width, height);
  cairo_fill(context_.get());
}

void RasterCanvas::Rectangle(int left, int top, int right, int bottom) {
  if (!Ok() || right <= left || bottom <= top) return;
  const int width = right - left;
  const int height = bottom - top;
  ApplyColour(brush_);
  cairo_rectangle(context_.get(), left, top, width, height);
  cairo_fill(context_.get());
  ApplyColour(pen_);
  cairo_rectangle(context_.get(), left, top, width, height);
  if (width > 2 && height > 2) {
    // Cut out the inside (drawn clockwise the other way round).
    cairo_new_sub_path(context_.get());
    cairo_move_to(context_.get(), left + 1, top + 1);
    cairo_line_to(context_.get(), left + 1, bottom - 1);
    cairo_line_to(context_.get(), right - 1, bottom - 1);
    cairo_line_to(context_.get(), right - 1, top + 1);
    cairo_close_path(context_.get());
  }
  cairo_fill(context_.get());
}

void RasterCanvas::Line(CanvasPoint from, CanvasPoint to) {
  const CanvasPoint points[] = {from, to};
  Polyline(points);
}

void RasterCanvas::Polyline(std::span<const CanvasPoint> points) {
  if (!Ok() || points.empty()) return;
  ApplyColour(pen_);
  const bool onePoint = std::all_of(points.begin(), points.end(),
                                    [&](const CanvasPoint& p) { return p == points[0]; });
  if (onePoint) {
    // A path without length strokes nothing; the point is a square of the pen's width.
    const double half = penWidth_ / 2.0;
    cairo_rectangle(context_.get(), points[0].x + 0.5 - half, points[0].y + 0.5 - half, penWidth_,
                    penWidth_);
    cairo_fill(context_.get());
    return;
  }
  // Through pixel centres, so that a line of width 1 covers whole pixels.
  cairo_move_to(context_.get(), points[0].x + 0.5, points[0].y + 0.5);
  for (size_t k = 1; k < points.size(); ++k) {
    cairo_line_to(context_.get(), points[k].x + 0.5, points[k].y + 0.5);
  }
  cairo_set_line_width(context_.get(), penWidth_);
  cairo_stroke(context_.get());
}

void RasterCanvas::Text(int x, int y, std::string_view text) {
  if (!Ok() || text.empty()) return;
  const std::string utf8 = ValidUtf8(text);
  cairo_font_extents_t extents;
  cairo_font_extents(context_.get(), &extents);
  ApplyColour(textColour_);
  cairo_move_to(context_.get(), x, y + std::round(extents.ascent));
  cairo_show_text(context_.get(), utf8.c_str());
  cairo_new_path(context_.get());
}

int RasterCanvas::TextWidth(std::string_view text) {
  if (!Ok() || text.empty()) return 0;
  const std::string utf8 = ValidUtf8(text);
  cairo_text_extents_t extents;
  cairo_text_extents(context_.get(), utf8.c_str(), &extents);
  return static_cast<int>(std::lround(extents.x_advance));
}

int RasterCanvas::TextHeight() {
  if (!Ok()) return 0;
  cairo_font_extents_t extents;
  cairo_font_extents(context_.get(), &extents);
  return static_cast<int>(std::lround(extents.ascent + extents.descent));
}

void RasterCanvas::CopySurfaceToRaster() {
  cairo_surface_flush(surface_.get());
  const unsigned char* data = cairo_image_surface_get_data(surface_.get());
  const size_t stride = static_cast<size_t>(cairo_image_surface_get_stride(surface_.get()));
  const size_t perPixel = raster_.BytesPerPixel();
  // Drawings use few colours; each is matched against the palette once.
  std::map<uint32_t, uint8_t> paletteIndex;
  for (int y = 0; y < raster_.Height(); ++y) {
    const unsigned char* row = data + static_cast<size_t>(y) * stride;
    uint8_t* out = raster_.Row(y).data();
    for (int x = 0; x < raster_.Width(); ++x) {
      uint32_t word;
      std::memcpy(&word, row + static_cast<size_t>(x) * 4, 4);
      const PaletteEntry colour = UnpackCairoPixel(word);
      uint8_t* pixel = out + static_cast<size_t>(x) * perPixel;
      if (raster_.Format() == PixelFormat::kPalette8) {
        if (raster_.Palette()[*pixel] == colour) continue;  // unchanged
        const uint32_t key = word & 0xFFFFFF;
        auto found = paletteIndex.find(key);
        if (found == paletteIndex.end()) {
          found = paletteIndex.emplace(key, NearestPaletteIndex(raster_.Palette(), colour)).first;
        }
        *pixel = found->second;
      } else {
        pixel[0] = colour.blue;
        pixel[1] = colour.green;
        pixel[2] = colour.red;
      }
    }
  }
}

bool RasterCanvas::Finish() {
  if (finished_) return finishedOk_;
  finished_ = true;
  finishedOk_ = Ok();
  if (!surface_ || cairo_surface_status(surface_.get()) != CAIRO_STATUS_SUCCESS) return false;
  if (inPlace_) {
    cairo_surface_flush(surface_.get());
  } else {
    CopySurfaceToRaster();
  }
  context_.reset();
  surface_.reset();
  return finishedOk_;
}

}  // namespace norvane
