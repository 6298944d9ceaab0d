#include "convert/jpeg2000_codec.hpp"

#include <openjpeg.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

namespace norvane {
namespace {

constexpr OPJ_SIZE_T kStreamChunk = 64 * 1024;
constexpr int kMostResolutions = 6;  // five wavelet decompositions, OpenJPEG's default
// A JP2 file starts with its signature box; a bare codestream with SOC, FF 4F.
constexpr std::array<uint8_t, 12> kJp2Signature = {0x00, 0x00, 0x00, 0x0C, 0x6A, 0x50,
                                                   0x20, 0x20, 0x0D, 0x0A, 0x87, 0x0A};
constexpr OPJ_UINT32 kIrreversibleWavelet = 0;  // qmfbid 0: 9/7; 1: 5/3

struct CodecDeleter {
  void operator()(opj_codec_t* codec) const { opj_destroy_codec(codec); }
};
struct StreamDeleter {
  void operator()(opj_stream_t* stream) const { opj_stream_destroy(stream); }
};
struct ImageDeleter {
  void operator()(opj_image_t* image) const { opj_image_destroy(image); }
};
using Codec = std::unique_ptr<opj_codec_t, CodecDeleter>;
using Stream = std::unique_ptr<opj_stream_t, StreamDeleter>;
using Image = std::unique_ptr<opj_image_t, ImageDeleter>;

// OpenJPEG's messages: the result tells the caller what went wrong.
void Quiet(const char* /*message*/, void* /*data*/) {}

void Silence(opj_codec_t* codec) {
  opj_set_info_handler(codec, Quiet, nullptr);
  opj_set_warning_handler(codec, Quiet, nullptr);
  opj_set_error_handler(codec, Quiet, nullptr);
}

// The compressed bytes being read.
struct ReadCursor {
  std::span<const uint8_t> bytes;
  size_t at = 0;
};

OPJ_SIZE_T ReadBytes(void* buffer, OPJ_SIZE_T count, void* user) {
  auto& cursor = *static_cast<ReadCursor*>(user);
  if (cursor.at >= cursor.bytes.size()) return static_cast<OPJ_SIZE_T>(-1);
  const size_t taken = std::min<size_t>(count, cursor.bytes.size() - cursor.at);
  std::memcpy(buffer, cursor.bytes.data() + cursor.at, taken);
  cursor.at += taken;
  return taken;
}

OPJ_OFF_T SkipRead(OPJ_OFF_T count, void* user) {
  auto& cursor = *static_cast<ReadCursor*>(user);
  if (count < 0 || static_cast<uint64_t>(count) > cursor.bytes.size() - cursor.at) {
    cursor.at = cursor.bytes.size();
    return -1;
  }
  cursor.at += static_cast<size_t>(count);
  return count;
}

OPJ_BOOL SeekRead(OPJ_OFF_T position, void* user) {
  auto& cursor = *static_cast<ReadCursor*>(user);
  if (position < 0 || static_cast<uint64_t>(position) > cursor.bytes.size()) return OPJ_FALSE;
  cursor.at = static_cast<size_t>(position);
  return OPJ_TRUE;
}

// The codestream being written; the encoder may seek back to fill in a length.
struct WriteCursor {
  std::vector<uint8_t>& bytes;
  size_t at = 0;
};

void Reach(WriteCursor& cursor, size_t end) {
  if (end > cursor.bytes.size()) cursor.bytes.resize(end);
}

OPJ_SIZE_T WriteBytes(void* buffer, OPJ_SIZE_T count, void* user) {
  auto& cursor = *static_cast<WriteCursor*>(user);
  Reach(cursor, cursor.at + count);
  std::memcpy(cursor.bytes.data() + cursor.at, buffer, count);
  cursor.at += count;
  return count;
}

OPJ_OFF_T SkipWrite(OPJ_OFF_T count, void* user) {
  auto& cursor = *static_cast<WriteCursor*>(user);
  if (count < 0) return -1;
  cursor.at += static_cast<size_t>(count);
  Reach(cursor, cursor.at);
  return count;
}

OPJ_BOOL SeekWrite(OPJ_OFF_T position, void* user) {
  auto& cursor = *static_cast<WriteCursor*>(user);
  if (position < 0) return OPJ_FALSE;
  cursor.at = static_cast<size_t>(position);
  Reach(cursor, cursor.at);
  return OPJ_TRUE;
}

// Decomposition levels a frame can take: each halves the smallest side, which must stay at
// least one sample.
OPJ_UINT32 Resolutions(const FrameShape& shape) {
  const uint32_t side = std::min(shape.rows, shape.columns);
  int resolutions = 1;
  while (resolutions < kMostResolutions && (side >> resolutions) >= 1)
    ++resolutions;
  return static_cast<OPJ_UINT32>(resolutions);
}

bool IsJp2File(std::span<const uint8_t> stream) {
  return stream.size() >= kJp2Signature.size() &&
         std::equal(kJp2Signature.begin(), kJp2Signature.end(), stream.begin());
}

// Whether the stream's first component was coded with the irreversible wavelet.
bool Irreversible(opj_codec_t* codec) {
  opj_codestream_info_v2_t* info = opj_get_cstr_info(codec);
  if (info == nullptr) return false;
  const bool irreversible = info->m_default_tile_info.tccp_info != nullptr &&
                            info->m_default_tile_info.tccp_info[0].qmfbid == kIrreversibleWavelet;
  opj_destroy_cstr_info(&info);
  return irreversible;
}

// The components as the header announces them, before any decoding: the frame's size, full
// resolution, a precision the samples hold.
bool HeaderFits(const FrameShape& shape, const opj_image_t& image) {
  if (image.numcomps != shape.samples || image.comps == nullptr) return false;
  if (image.x1 - image.x0 != shape.columns || image.y1 - image.y0 != shape.rows) return false;
  for (OPJ_UINT32 c = 0; c < image.numcomps; ++c) {
    const opj_image_comp_t& component = image.comps[c];
    if (component.dx != 1 || component.dy != 1 || component.prec < 1 ||
        component.prec > shape.bitsAllocated) {
      return false;
    }
  }
  return true;
}

bool DecodedFits(const FrameShape& shape, const opj_image_t& image) {
  for (OPJ_UINT32 c = 0; c < image.numcomps; ++c) {
    const opj_image_comp_t& component = image.comps[c];
    if (component.data == nullptr || component.w != shape.columns || component.h != shape.rows) {
      return false;
    }
  }
  return true;
}

void StoreComponents(const FrameShape& shape, const opj_image_t& image, std::span<uint8_t> frame) {
  const size_t pixels = size_t{shape.rows} * shape.columns;
  for (size_t s = 0; s < shape.samples; ++s) {
    const opj_image_comp_t& component = image.comps[s];
    const int precision = static_cast<int>(component.prec);
    const bool isSigned = component.sgnd != 0;
    const int32_t lowest = LowestSample(precision, isSigned);
    const int32_t highest = HighestSample(precision, isSigned);
    for (size_t p = 0; p < pixels; ++p) {
      WriteSample(shape, frame, p * shape.samples + s,
                  std::clamp(component.data[p], lowest, highest));
    }
  }
}

Image FrameImage(const FrameShape& shape, std::span<const uint8_t> frame, int precision) {
  std::array<opj_image_cmptparm_t, 3> parameters{};
  for (size_t s = 0; s < shape.samples; ++s) {
    opj_image_cmptparm_t& component = parameters[s];
    component.dx = 1;
    component.dy = 1;
    component.w = shape.columns;
    component.h = shape.rows;
    component.prec = static_cast<OPJ_UINT32>(precision);
    component.sgnd = shape.isSigned ? 1 : 0;
  }
  Image image(opj_image_create(shape.samples, parameters.data(),
                               shape.samples == 3 ? OPJ_CLRSPC_SRGB : OPJ_CLRSPC_GRAY));
  if (!image) return image;
  image->x0 = 0;
  image->y0 = 0;
  image->x1 = shape.columns;
  image->y1 = shape.rows;
  const size_t pixels = size_t{shape.rows} * shape.columns;
  for (size_t s = 0; s < shape.samples; ++s) {
    OPJ_INT32* data = image->comps[s].data;
    for (size_t p = 0; p < pixels; ++p)
      data[p] = ReadSample(shape, frame, p * shape.samples + s);
  }
  return image;
}

bool Encode(const FrameShape& shape, double ratio, std::span<const uint8_t> frame,
            std::vector<uint8_t>& stream) {
  opj_cparameters_t parameters;
  opj_set_default_encoder_parameters(&parameters);
  parameters.tcp_numlayers = 1;
  parameters.cp_disto_alloc = 1;
  parameters.tcp_rates[0] = static_cast<float>(ratio);  // 0: every bit, losslessly
  parameters.irreversible = ratio > 0 ? 1 : 0;
  parameters.tcp_mct = 0;  // no colour transform: RGB stays RGB
  parameters.numresolution = static_cast<int>(Resolutions(shape));

  const Image image = FrameImage(shape, frame, CodingPrecision(shape, frame));
  const Codec codec(opj_create_compress(OPJ_CODEC_J2K));
  if (!image || !codec) return false;
  Silence(codec.get());
  if (!opj_setup_encoder(codec.get(), &parameters, image.get())) return false;

  WriteCursor cursor{stream};
  const Stream output(opj_stream_create(kStreamChunk, OPJ_FALSE));
  if (!output) return false;
  opj_stream_set_write_function(output.get(), WriteBytes);
  opj_stream_set_skip_function(output.get(), SkipWrite);
  opj_stream_set_seek_function(output.get(), SeekWrite);
  opj_stream_set_user_data(output.get(), &cursor, nullptr);
  return opj_start_compress(codec.get(), image.get(), output.get()) &&
         opj_encode(codec.get(), output.get()) && opj_end_compress(codec.get(), output.get());
}

}  // namespace

bool Jpeg2000CodesShape(const FrameShape& shape) {
  return HasByteOrWordSamples(shape);
}

bool Jpeg2000EncodeFrame(const FrameShape& shape, double ratio, std::span<const uint8_t> frame,
                         std::vector<uint8_t>& stream) {
  stream.clear();
  const bool ratioFits = ratio == 0 || (ratio >= 1 && ratio <= kMaxJpeg2000Ratio);
  if (!Jpeg2000CodesShape(shape) || frame.size() != shape.FrameBytes() || !ratioFits) return false;
  const bool encoded = Encode(shape, ratio, frame, stream);
  if (!encoded) stream.clear();
  return encoded;
}

FrameDecodeResult Jpeg2000DecodeFrame(const FrameShape& shape, std::span<const uint8_t> stream,
                                      std::span<uint8_t> frame) {
  FrameDecodeResult result;
  if (!Jpeg2000CodesShape(shape) || frame.size() != shape.FrameBytes()) {
    result.status = FrameDecodeStatus::kMismatch;
    return result;
  }
  const Codec codec(opj_create_decompress(IsJp2File(stream) ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K));
  if (!codec) return result;
  Silence(codec.get());
  opj_dparameters_t parameters;
  opj_set_default_decoder_parameters(&parameters);
  if (!opj_setup_decoder(codec.get(), &parameters)) return result;

  ReadCursor cursor{stream};
  const Stream input(opj_stream_create(kStreamChunk, OPJ_TRUE));
  if (!input) return result;
  opj_stream_set_read_function(input.get(), ReadBytes);
  opj_stream_set_skip_function(input.get(), SkipRead);
  opj_stream_set_seek_function(input.get(), SeekRead);
  opj_stream_set_user_data(input.get(), &cursor, nullptr);
  opj_stream_set_user_data_length(input.get(), stream.size());

  opj_image_t* header = nullptr;
  const bool read = opj_read_header(input.get(), codec.get(), &header) != 0;
  const Image image(header);
  if (!read || !image) return result;
  if (!HeaderFits(shape, *image)) {
    result.status = FrameDecodeStatus::kMismatch;
    return result;
  }
  result.lossy = Irreversible(codec.get());
  if (!opj_decode(codec.get(), input.get(), image.get()) ||
      !opj_end_decompress(codec.get(), input.get()) || !DecodedFits(shape, *image)) {
    return result;
  }
  StoreComponents(shape, *image, frame);
  result.status = FrameDecodeStatus::kOk;
  return result;
}

}  // namespace norvane
