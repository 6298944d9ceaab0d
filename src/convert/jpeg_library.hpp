// The description of one JPEG library build for the frame codec templates. Each build's
// translation unit includes this inside its own namespace, right after that build's
// jpeglib.h: the library names below then resolve to that build's prefixed symbols and
// structure types. NORVANE_JPEG_LOSSLESS_BUILD says whether the build has the lossless
// process (the IJG 6b builds from GDCM do, libjpeg-turbo 2.1 does not). Deliberately no
// include guard and no includes.

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

  static constexpr bool kHasLossless = NORVANE_JPEG_LOSSLESS_BUILD;
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
#if NORVANE_JPEG_LOSSLESS_BUILD
  static void SimpleLossless(Compress* cinfo, int predictor, int pointTransform) {
    jpeg_simple_lossless(cinfo, predictor, pointTransform);
  }
#endif
  static void StartCompress(Compress* cinfo, Boolean allTables) {
    jpeg_start_compress(cinfo, allTables);
  }
  static Dimension WriteScanlines(Compress* cinfo, JSAMPROW* rows, Dimension count) {
    return jpeg_write_scanlines(cinfo, rows, count);
  }
  static void FinishCompress(Compress* cinfo) {
    jpeg_finish_compress(cinfo);
  }

  static void CreateDecompress(Decompress* cinfo) {
    jpeg_create_decompress(cinfo);
  }
  static void DestroyDecompress(Decompress* cinfo) {
    jpeg_destroy_decompress(cinfo);
  }
  static int ReadHeader(Decompress* cinfo, Boolean requireImage) {
    return jpeg_read_header(cinfo, requireImage);
  }
#if NORVANE_JPEG_LOSSLESS_BUILD
  static bool IsLossless(const Decompress& cinfo) {
    return cinfo.process == JPROC_LOSSLESS;
  }
#else
  static bool IsLossless(const Decompress&) {
    return false;
  }
#endif
  static void CalcOutputDimensions(Decompress* cinfo) {
    jpeg_calc_output_dimensions(cinfo);
  }
  static Boolean StartDecompress(Decompress* cinfo) {
    return jpeg_start_decompress(cinfo);
  }
  static Dimension ReadScanlines(Decompress* cinfo, JSAMPROW* rows, Dimension count) {
    return jpeg_read_scanlines(cinfo, rows, count);
  }
  static Boolean FinishDecompress(Decompress* cinfo) {
    return jpeg_finish_decompress(cinfo);
  }
};
