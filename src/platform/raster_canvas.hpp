#pragma once

// Lines, rectangles and text drawn into a Raster through Cairo, in the manner of a window
// system's device context: a pen for lines and borders, a brush for fills, a font and a
// text colour. Lines are drawn without anti-aliasing, so a line of width 1 between two
// pixel positions covers exactly the pixels on its way, both ends included; text is
// smoothed. Coordinates are whole pixels, 0,0 at the top left corner.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "platform/raster.hpp"

using cairo_t = struct _cairo;
using cairo_surface_t = struct _cairo_surface;

namespace norvane {

struct CanvasPoint {
  int x = 0;
  int y = 0;

  bool operator==(const CanvasPoint&) const = default;
};

struct CanvasFont {
  std::string family = "Tahoma";  // asked for by name; fontconfig substitutes
  int points = 10;                // at 96 pixels per inch
  bool bold = false;
};

// The em height in pixels of a font of `points` points at 96 pixels per inch, rounded as
// the window systems do (10 points: 13 pixels, 18 points: 24 pixels).
int FontPixelHeight(int points);

// Text with every byte sequence that is not UTF-8 replaced by U+FFFD, since Cairo refuses
// such text (and refuses all further drawing after it).
std::string ValidUtf8(std::string_view text);

class RasterCanvas {
 public:
  // Drawing into `raster`, which must outlive the canvas. 32-bit rasters are drawn into in
  // place; the other formats through a copy that Finish writes back (palette rasters get
  // the nearest palette entry for every pixel the drawing changed).
  explicit RasterCanvas(Raster& raster);
  ~RasterCanvas();  // calls Finish
  RasterCanvas(const RasterCanvas&) = delete;
  RasterCanvas& operator=(const RasterCanvas&) = delete;

  // False when the raster is empty or Cairo could not set up or has failed since.
  bool Ok() const;

  void SetPen(PaletteEntry colour, int width = 1);
  void SetBrush(PaletteEntry colour);
  void SetFont(const CanvasFont& font);
  void SetTextColour(PaletteEntry colour);

  // The pixels from left to right - 1 and top to bottom - 1: the outermost ones in the pen's
  // colour (width 1), the others in the brush's.
  void Rectangle(int left, int top, int right, int bottom);
  // Pixels x..x+width-1, y..y+height-1 in the brush's colour.
  void FillRectangle(int x, int y, int width, int height);
  void Line(CanvasPoint from, CanvasPoint to);
  // Connected lines through the points, in order; the pixel of every point is covered, and
  // sharp turns add nothing beyond their points. A single point is one pixel.
  void Polyline(std::span<const CanvasPoint> points);

  // UTF-8 text whose character cell has its top left corner at x, y.
  void Text(int x, int y, std::string_view text);
  // How far the text advances, in whole pixels.
  int TextWidth(std::string_view text);
  // Ascent plus descent of the current font, in whole pixels.
  int TextHeight();

  // Writes the drawing into the raster (once; later calls only repeat the answer). False
  // when Cairo failed at some point; what was drawn before the failure is written all the
  // same.
  bool Finish();

 private:
  struct CairoDeleter {
    void operator()(cairo_t* context) const;
    void operator()(cairo_surface_t* surface) const;
  };

  void ApplyColour(PaletteEntry colour);
  void ApplyFont();
  void CopySurfaceToRaster();

  Raster& raster_;
  bool inPlace_ = false;
  bool finished_ = false;
  bool finishedOk_ = false;
  std::unique_ptr<cairo_surface_t, CairoDeleter> surface_;
  std::unique_ptr<cairo_t, CairoDeleter> context_;
  PaletteEntry pen_{0, 0, 0};
  int penWidth_ = 1;
  PaletteEntry brush_{255, 255, 255};
  PaletteEntry textColour_{0, 0, 0};
  CanvasFont font_;
};

}  // namespace norvane
