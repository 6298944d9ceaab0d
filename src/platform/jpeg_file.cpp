#include "platform/jpeg_file.hpp"

#include <csetjmp>
#include <cstdio>
#include <type_traits>

#include "platform/bmp_file.hpp"
#include "platform/file_bytes.hpp"

// libjpeg-turbo's structure types in a namespace of their own, as everywhere in this
// program, so they never meet the IJG builds' types of the same names.
namespace norvane::jpeg_file {
extern "C" {
#include <jerror.h>
#include <jpeglib.h>
}

namespace {

// Fatal library errors jump back to the setjmp of the step that called the library; the
// frames in between are the library's own and our callbacks, none with destructors.
struct ErrorManager {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
  bool endedEarly;
};

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

// Warnings are not printed; a stream that ends early is remembered, since the library then
// makes up the missing rows.
void EmitMessage(j_common_ptr cinfo, int level) {
  auto* error = reinterpret_cast<ErrorManager*>(cinfo->err);
  if (level < 0 && error->manager.msg_code == JWRN_JPEG_EOF) error->endedEarly = true;
}

struct Session {
  jpeg_decompress_struct cinfo;
  ErrorManager error;
};
static_assert(std::is_trivially_destructible_v<Session>);

bool ReadHeader(Session& s, std::span<const uint8_t> file) {
  jpeg_decompress_struct& cinfo = s.cinfo;
  cinfo.err = jpeg_std_error(&s.error.manager);
  s.error.manager.error_exit = &ErrorExit;
  s.error.manager.emit_message = &EmitMessage;
  s.error.endedEarly = false;
  if (setjmp(s.error.jump) != 0) return false;
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
  return jpeg_read_header(&cinfo, TRUE) == JPEG_HEADER_OK;
}

bool DecodeRows(Session& s, norvane::Raster& raster) {
  jpeg_decompress_struct& cinfo = s.cinfo;
  if (setjmp(s.error.jump) != 0) return false;
  jpeg_start_decompress(&cinfo);
  if (cinfo.output_width != static_cast<JDIMENSION>(raster.Width()) ||
      cinfo.output_height != static_cast<JDIMENSION>(raster.Height()) ||
      static_cast<size_t>(cinfo.output_components) != raster.BytesPerPixel()) {
    return false;
  }
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = raster.Row(static_cast<int>(cinfo.output_scanline)).data();
    if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) return false;
    if (s.error.endedEarly) return false;
  }
  return !s.error.endedEarly;
}

}  // namespace
}  // namespace norvane::jpeg_file

namespace norvane {

std::string_view Describe(JpegFileStatus status) {
  switch (status) {
    case JpegFileStatus::kOk:
      return "read";
    case JpegFileStatus::kCannotOpen:
      return "cannot be opened";
    case JpegFileStatus::kNotDecodable:
      return "not a decodable JPEG file";
    case JpegFileStatus::kUnsupportedColour:
      return "JPEG colour space not supported";
    case JpegFileStatus::kBadSize:
      return "JPEG picture too large";
    case JpegFileStatus::kTruncated:
      return "JPEG file cut short";
  }
  return "unknown";
}

JpegPicture DecodeJpegFile(std::span<const uint8_t> file) {
  using namespace jpeg_file;
  JpegPicture picture;
  Session session{};
  jpeg_decompress_struct& cinfo = session.cinfo;
  // Finds the status of everything after a successful header read.
  auto decode = [&]() -> JpegFileStatus {
    if (!ReadHeader(session, file)) {
      return session.error.endedEarly ? JpegFileStatus::kTruncated : JpegFileStatus::kNotDecodable;
    }
    PixelFormat format = PixelFormat::kBgr24;
    if (cinfo.num_components == 1) {
      cinfo.out_color_space = JCS_GRAYSCALE;
      format = PixelFormat::kPalette8;
    } else if (cinfo.num_components == 3 &&
               (cinfo.jpeg_color_space == JCS_YCbCr || cinfo.jpeg_color_space == JCS_RGB)) {
      cinfo.out_color_space = JCS_EXT_BGR;
    } else {
      return JpegFileStatus::kUnsupportedColour;
    }
    if (uint64_t{cinfo.image_width} * cinfo.image_height > kMaxPicturePixels) {
      return JpegFileStatus::kBadSize;
    }
    std::optional<Raster> raster = Raster::Create(static_cast<int>(cinfo.image_width),
                                                  static_cast<int>(cinfo.image_height), format);
    if (!raster) return JpegFileStatus::kBadSize;
    if (format == PixelFormat::kPalette8) raster->SetGreyPalette();
    if (!DecodeRows(session, *raster)) {
      return session.error.endedEarly ? JpegFileStatus::kTruncated : JpegFileStatus::kNotDecodable;
    }
    picture.raster = std::move(raster);
    return JpegFileStatus::kOk;
  };
  picture.status = decode();
  jpeg_destroy_decompress(&cinfo);
  return picture;
}

JpegPicture ReadJpegFile(const std::string& path) {
  const std::optional<std::vector<uint8_t>> bytes = LoadFileBytes(path);
  if (!bytes) return JpegPicture{};
  return DecodeJpegFile(*bytes);
}

}  // namespace norvane
