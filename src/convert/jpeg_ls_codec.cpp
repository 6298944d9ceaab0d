#include "convert/jpeg_ls_codec.hpp"

#include <charls/charls.h>

#include <algorithm>
#include <bit>
#include <memory>

namespace norvane {
namespace {

constexpr int kLowestPrecision = 2;  // JPEG-LS codes 2 to 16 bits
constexpr uint8_t kEoi = 0xD9;       // the second byte of the end-of-image marker

struct EncoderDeleter {
  void operator()(charls_jpegls_encoder* encoder) const { charls_jpegls_encoder_destroy(encoder); }
};
struct DecoderDeleter {
  void operator()(charls_jpegls_decoder* decoder) const { charls_jpegls_decoder_destroy(decoder); }
};
using Encoder = std::unique_ptr<charls_jpegls_encoder, EncoderDeleter>;
using Decoder = std::unique_ptr<charls_jpegls_decoder, DecoderDeleter>;

bool Ok(charls_jpegls_errc result) {
  return result == charls_jpegls_errc::success;
}

// Whether the frame's bytes are the words CharLS reads or writes at `precision` as they
// stand: samples of the word's size, in the machine's order and alignment, with nothing to
// mask off or sign-extend.
template <class Word>
bool FrameIsWords(const FrameShape& shape, std::span<const uint8_t> frame, int precision) {
  return sizeof(Word) == shape.BytesPerSample() &&
         (!shape.isSigned || precision == shape.bitsAllocated) &&
         (sizeof(Word) == 1 || (std::endian::native == std::endian::little &&
                                reinterpret_cast<uintptr_t>(frame.data()) % sizeof(Word) == 0));
}

// The frame's samples as CharLS takes them at `precision`: one byte each up to 8 bits, one
// 16-bit word each above; a signed sample as its low `precision` bits.
template <class Word>
std::vector<Word> CodedSamples(const FrameShape& shape, std::span<const uint8_t> frame,
                               int precision) {
  const auto mask = static_cast<uint32_t>(HighestSample(precision, false));
  std::vector<Word> words(shape.SampleCount());
  for (size_t n = 0; n < words.size(); ++n) {
    words[n] = static_cast<Word>(static_cast<uint32_t>(ReadSample(shape, frame, n)) & mask);
  }
  return words;
}

// A decoded sample back to its Bits Allocated: sign-extended from `precision` when signed.
int32_t Widened(uint32_t coded, int precision, bool isSigned) {
  if (isSigned && coded > static_cast<uint32_t>(HighestSample(precision, true))) {
    return static_cast<int32_t>(coded) - (int32_t{1} << precision);
  }
  return static_cast<int32_t>(coded);
}

template <class Word>
void StoreDecoded(const FrameShape& shape, const std::vector<Word>& words, int precision,
                  bool planes, std::span<uint8_t> frame) {
  const size_t pixels = size_t{shape.rows} * shape.columns;
  for (size_t p = 0; p < pixels; ++p) {
    for (size_t s = 0; s < shape.samples; ++s) {
      const Word coded = planes ? words[s * pixels + p] : words[p * shape.samples + s];
      WriteSample(shape, frame, p * shape.samples + s, Widened(coded, precision, shape.isSigned));
    }
  }
}

template <class Word>
bool Encode(const FrameShape& shape, int nearLossless, int precision,
            std::span<const uint8_t> frame, std::vector<uint8_t>& stream) {
  const Encoder encoder(charls_jpegls_encoder_create());
  if (!encoder) return false;
  const charls_frame_info info{shape.columns, shape.rows, precision,
                               static_cast<int32_t>(shape.samples)};
  if (!Ok(charls_jpegls_encoder_set_frame_info(encoder.get(), &info)) ||
      !Ok(charls_jpegls_encoder_set_near_lossless(encoder.get(), nearLossless)) ||
      !Ok(charls_jpegls_encoder_set_interleave_mode(
          encoder.get(),
          shape.samples == 3 ? charls_interleave_mode::sample : charls_interleave_mode::none))) {
    return false;
  }
  size_t capacity = 0;
  if (!Ok(charls_jpegls_encoder_get_estimated_destination_size(encoder.get(), &capacity))) {
    return false;
  }
  stream.resize(capacity);
  if (!Ok(charls_jpegls_encoder_set_destination_buffer(encoder.get(), stream.data(),
                                                       stream.size()))) {
    return false;
  }
  std::vector<Word> words;
  const void* source = frame.data();
  size_t sourceSize = frame.size();
  if (!FrameIsWords<Word>(shape, frame, precision)) {
    words = CodedSamples<Word>(shape, frame, precision);
    source = words.data();
    sourceSize = words.size() * sizeof(Word);
  }
  size_t written = 0;
  if (!Ok(charls_jpegls_encoder_encode_from_buffer(encoder.get(), source, sourceSize, 0)) ||
      !Ok(charls_jpegls_encoder_get_bytes_written(encoder.get(), &written))) {
    return false;
  }
  stream.resize(written);
  return true;
}

template <class Word>
FrameDecodeStatus Decode(const FrameShape& shape, charls_jpegls_decoder* decoder, int precision,
                         std::span<uint8_t> frame) {
  charls_interleave_mode mode = charls_interleave_mode::none;
  size_t size = 0;
  if (!Ok(charls_jpegls_decoder_get_interleave_mode(decoder, &mode)) ||
      !Ok(charls_jpegls_decoder_get_destination_size(decoder, 0, &size))) {
    return FrameDecodeStatus::kCorrupt;
  }
  if (size != shape.SampleCount() * sizeof(Word)) return FrameDecodeStatus::kMismatch;
  // Without interleaving, CharLS gives the components one after the other.
  const bool planes = shape.samples > 1 && mode == charls_interleave_mode::none;
  if (!planes && FrameIsWords<Word>(shape, frame, precision)) {
    return Ok(charls_jpegls_decoder_decode_to_buffer(decoder, frame.data(), size, 0))
               ? FrameDecodeStatus::kOk
               : FrameDecodeStatus::kCorrupt;
  }
  std::vector<Word> words(shape.SampleCount());
  if (!Ok(charls_jpegls_decoder_decode_to_buffer(decoder, words.data(), size, 0))) {
    return FrameDecodeStatus::kCorrupt;
  }
  StoreDecoded(shape, words, precision, planes, frame);
  return FrameDecodeStatus::kOk;
}

// A whole stream ends with EOI, after which DICOM may add a zero pad byte. CharLS (2.4)
// can spend seconds on scan data that simply stops, so such a stream is refused before it
// gets there.
bool EndsWithEoi(std::span<const uint8_t> stream) {
  while (!stream.empty() && stream.back() == 0x00)
    stream = stream.first(stream.size() - 1);
  return stream.size() >= 2 && stream[stream.size() - 2] == 0xFF && stream.back() == kEoi;
}

}  // namespace

bool JpegLsCodesShape(const FrameShape& shape) {
  return HasByteOrWordSamples(shape);
}

bool JpegLsEncodeFrame(const FrameShape& shape, int nearLossless, std::span<const uint8_t> frame,
                       std::vector<uint8_t>& stream) {
  stream.clear();
  if (!JpegLsCodesShape(shape) || frame.size() != shape.FrameBytes() || nearLossless < 0 ||
      nearLossless > kMaxJpegLsNear) {
    return false;
  }
  const int precision = std::max(CodingPrecision(shape, frame), kLowestPrecision);
  const bool encoded = precision <= 8
                           ? Encode<uint8_t>(shape, nearLossless, precision, frame, stream)
                           : Encode<uint16_t>(shape, nearLossless, precision, frame, stream);
  if (!encoded) stream.clear();
  return encoded;
}

FrameDecodeResult JpegLsDecodeFrame(const FrameShape& shape, std::span<const uint8_t> stream,
                                    std::span<uint8_t> frame) {
  FrameDecodeResult result;
  if (!JpegLsCodesShape(shape) || frame.size() != shape.FrameBytes()) {
    result.status = FrameDecodeStatus::kMismatch;
    return result;
  }
  if (!EndsWithEoi(stream)) return result;  // kCorrupt
  const Decoder decoder(charls_jpegls_decoder_create());
  charls_frame_info info{};
  int32_t nearLossless = 0;
  if (!decoder ||
      !Ok(charls_jpegls_decoder_set_source_buffer(decoder.get(), stream.data(), stream.size())) ||
      !Ok(charls_jpegls_decoder_read_header(decoder.get())) ||
      !Ok(charls_jpegls_decoder_get_frame_info(decoder.get(), &info)) ||
      !Ok(charls_jpegls_decoder_get_near_lossless(decoder.get(), 0, &nearLossless))) {
    return result;  // kCorrupt
  }
  if (info.width != shape.columns || info.height != shape.rows ||
      info.component_count != static_cast<int32_t>(shape.samples) ||
      info.bits_per_sample < kLowestPrecision || info.bits_per_sample > shape.bitsAllocated) {
    result.status = FrameDecodeStatus::kMismatch;
    return result;
  }
  result.lossy = nearLossless > 0;
  result.status = info.bits_per_sample <= 8
                      ? Decode<uint8_t>(shape, decoder.get(), info.bits_per_sample, frame)
                      : Decode<uint16_t>(shape, decoder.get(), info.bits_per_sample, frame);
  return result;
}

}  // namespace norvane
