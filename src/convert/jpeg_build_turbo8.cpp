// libjpeg-turbo for 8-bit samples: the DCT processes (baseline encoding, and decoding of
// every 8-bit DCT stream) with SIMD. It has no lossless process; lossless streams go to the
// IJG 8-bit build. Its structure types are declared in a namespace of their own so they never
// meet the IJG builds' types of the same names.

#include <csetjmp>
#include <cstdio>

#include "convert/jpeg_builds.hpp"
#include "convert/jpeg_frame_codec.hpp"

namespace norvane::jpeg_builds::turbo8 {
extern "C" {
#include <jpeglib.h>
}

struct Library {
  using Common = jpeg_common_struct;
  using Compress = jpeg_compress_struct;
  using Decompress = jpeg_decompress_struct;
  using ErrorManager = jpeg_error_mgr;
  using Destination = jpeg_destination_mgr;
  using Source = jpeg_source_mgr;
  using Boolean = boolean;
  using Octet = JOCTET;
  using Sample = JSAMPLE;
  using Dimension = JDIMENSION;

  static constexpr bool kHasLossless = false;
  static constexpr int kPrecision = BITS_IN_JSAMPLE;
  static constexpr unsigned kMaxSample = MAXJSAMPLE;
  static constexpr int kPoolImage = JPOOL_IMAGE;
  static constexpr int kHeaderOk = JPEG_HEADER_OK;
  static constexpr J_COLOR_SPACE kGrayscale = JCS_GRAYSCALE;
  static constexpr J_COLOR_SPACE kRgb = JCS_RGB;
  static constexpr auto ResyncToRestart = &jpeg_resync_to_restart;

  static ErrorManager* StdError(ErrorManager* err) { return jpeg_std_error(err); }

  static void CreateCompress(Compress* cinfo) { jpeg_create_compress(cinfo); }
  static void DestroyCompress(Compress* cinfo) { jpeg_destroy_compress(cinfo); }
  static void SetDefaults(Compress* cinfo) { jpeg_set_defaults(cinfo); }
  static void SetColorSpace(Compress* cinfo, J_COLOR_SPACE space) {
    jpeg_set_colorspace(cinfo, space);
  }
  static void SetQuality(Compress* cinfo, int quality, Boolean baseline) {
    jpeg_set_quality(cinfo, quality, baseline);
  }
  static void StartCompress(Compress* cinfo, Boolean allTables) {
    jpeg_start_compress(cinfo, allTables);
  }
  static Dimension WriteScanlines(Compress* cinfo, JSAMPROW* rows, Dimension count) {
    return jpeg_write_scanlines(cinfo, rows, count);
  }
  static void FinishCompress(Compress* cinfo) { jpeg_finish_compress(cinfo); }

  static void CreateDecompress(Decompress* cinfo) { jpeg_create_decompress(cinfo); }
  static void DestroyDecompress(Decompress* cinfo) { jpeg_destroy_decompress(cinfo); }
  static int ReadHeader(Decompress* cinfo, Boolean requireImage) {
    return jpeg_read_header(cinfo, requireImage);
  }
  static bool IsLossless(const Decompress&) { return false; }
  static void CalcOutputDimensions(Decompress* cinfo) { jpeg_calc_output_dimensions(cinfo); }
  static Boolean StartDecompress(Decompress* cinfo) { return jpeg_start_decompress(cinfo); }
  static Dimension ReadScanlines(Decompress* cinfo, JSAMPROW* rows, Dimension count) {
    return jpeg_read_scanlines(cinfo, rows, count);
  }
  static Boolean FinishDecompress(Decompress* cinfo) { return jpeg_finish_decompress(cinfo); }
};

}  // namespace norvane::jpeg_builds::turbo8

namespace norvane::jpeg_builds {

bool EncodeTurbo8(const FrameLayout& layout, std::span<const uint8_t> samples, Process process,
                  std::vector<uint8_t>& stream) {
  return EncodeFrame<turbo8::Library>(layout, samples, process, stream);
}

bool DecodeTurbo8(std::span<const uint8_t> stream, std::span<uint8_t> destination) {
  return DecodeFrame<turbo8::Library>(stream, destination);
}

}  // namespace norvane::jpeg_builds
