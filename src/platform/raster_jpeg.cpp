#include "platform/raster_jpeg.hpp"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <type_traits>

#include "platform/replace_file.hpp"

// libjpeg-turbo's structure types in a namespace of their own, as everywhere in this
// program, so they never meet the IJG builds' types of the same names.
namespace norvane::raster_jpeg {
extern "C" {
#include <jpeglib.h>
}

namespace {

// Fatal library errors jump back to the setjmp in Compress; nothing there has a destructor.
struct ErrorManager {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

void Silent(j_common_ptr) {}

// The stream grows in the caller's vector through a 16 KiB work buffer.
struct Destination {
  jpeg_destination_mgr manager;
  std::vector<uint8_t>* stream;
  JOCTET buffer[16384];
};

bool Append(Destination& d, size_t count) noexcept {
  try {
    d.stream->insert(d.stream->end(), d.buffer, d.buffer + count);
    return true;
  } catch (...) {
    return false;
  }
}

void InitDestination(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<Destination*>(cinfo->dest);
  d->manager.next_output_byte = d->buffer;
  d->manager.free_in_buffer = sizeof d->buffer;
}

boolean EmptyBuffer(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<Destination*>(cinfo->dest);
  if (!Append(*d, sizeof d->buffer)) ErrorExit(reinterpret_cast<j_common_ptr>(cinfo));
  InitDestination(cinfo);
  return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<Destination*>(cinfo->dest);
  if (!Append(*d, sizeof d->buffer - d->manager.free_in_buffer)) {
    ErrorExit(reinterpret_cast<j_common_ptr>(cinfo));
  }
}

struct Session {
  jpeg_compress_struct cinfo;
  ErrorManager error;
  Destination destination;
};
static_assert(std::is_trivially_destructible_v<Session>);
static_assert(std::is_standard_layout_v<ErrorManager> && std::is_standard_layout_v<Destination>);

// One row of the raster as the samples the library takes: grey levels, or R, G, B.
void FillRow(const Raster& raster, int y, bool grey, JSAMPLE* row) {
  const std::span<const uint8_t> pixels = raster.Row(y);
  if (grey) {
    std::copy(pixels.begin(), pixels.end(), row);
    return;
  }
  for (int x = 0; x < raster.Width(); ++x) {
    const PaletteEntry colour = raster.ColourAt(x, y);
    row[3 * x] = colour.red;
    row[3 * x + 1] = colour.green;
    row[3 * x + 2] = colour.blue;
  }
}

bool Compress(Session& s, const Raster& raster, int quality, std::vector<uint8_t>& stream) {
  jpeg_compress_struct& cinfo = s.cinfo;
  cinfo.err = jpeg_std_error(&s.error.manager);
  s.error.manager.error_exit = &ErrorExit;
  s.error.manager.output_message = &Silent;
  if (setjmp(s.error.jump) != 0) return false;

  jpeg_create_compress(&cinfo);
  s.destination.stream = &stream;
  s.destination.manager.init_destination = &InitDestination;
  s.destination.manager.empty_output_buffer = &EmptyBuffer;
  s.destination.manager.term_destination = &TermDestination;
  cinfo.dest = &s.destination.manager;

  const bool grey = raster.Format() == PixelFormat::kPalette8 && raster.HasGreyPalette();
  cinfo.image_width = static_cast<JDIMENSION>(raster.Width());
  cinfo.image_height = static_cast<JDIMENSION>(raster.Height());
  cinfo.input_components = grey ? 1 : 3;
  cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  // Full colour resolution: small pictures have little to gain from subsampled chroma, and
  // their black borders would take on the colour of the pixels beside them.
  for (int c = 0; c < cinfo.num_components; ++c) {
    cinfo.comp_info[c].h_samp_factor = 1;
    cinfo.comp_info[c].v_samp_factor = 1;
  }
  jpeg_start_compress(&cinfo, TRUE);
  JSAMPARRAY row = (*cinfo.mem->alloc_sarray)(
      reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
      static_cast<JDIMENSION>(raster.Width() * cinfo.input_components), 1);
  while (cinfo.next_scanline < cinfo.image_height) {
    FillRow(raster, static_cast<int>(cinfo.next_scanline), grey, row[0]);
    if (jpeg_write_scanlines(&cinfo, row, 1) != 1) return false;
  }
  jpeg_finish_compress(&cinfo);
  return true;
}

}  // namespace
}  // namespace norvane::raster_jpeg

namespace norvane {

std::optional<std::vector<uint8_t>> EncodeRasterJpeg(const Raster& raster, int quality) {
  // JPEG's frame header holds at most 65535 lines and columns.
  if (raster.Width() < 1 || raster.Height() < 1 || raster.Width() > 65535 ||
      raster.Height() > 65535 || quality < 1 || quality > 100) {
    return std::nullopt;
  }
  std::vector<uint8_t> stream;
  raster_jpeg::Session session{};
  const bool done = raster_jpeg::Compress(session, raster, quality, stream);
  raster_jpeg::jpeg_destroy_compress(&session.cinfo);
  if (!done) return std::nullopt;
  return stream;
}

bool WriteRasterJpeg(const Raster& raster, const std::string& path, int quality) {
  const std::optional<std::vector<uint8_t>> stream = EncodeRasterJpeg(raster, quality);
  if (!stream) return false;
  FileReplacement file(path);
  return file.Open() && file.Write(*stream) && file.Commit();
}

}  // namespace norvane
