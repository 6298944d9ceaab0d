#include "convert/pixel_data_conversion.hpp"

#include <cstring>
#include <string>
#include <vector>

#include "convert/encapsulated_frames.hpp"
#include "convert/frame_coding.hpp"
#include "convert/value_swap.hpp"
#include "datadec/ybr_to_rgb.hpp"
#include "elements/byte_order.hpp"
#include "elements/record_values.hpp"
#include "elements/tag_list.hpp"
#include "platform/parallel_for.hpp"

namespace norvane {
namespace {

constexpr std::string_view kRgb = "RGB";
constexpr std::string_view kYbrFull = "YBR_FULL";
constexpr std::string_view kYbrFull422 = "YBR_FULL_422";
constexpr std::string_view kYbrIct = "YBR_ICT";
constexpr std::string_view kYbrRct = "YBR_RCT";

bool IsJpeg(PixelEncoding encoding) {
  return encoding == PixelEncoding::kJpegBaseline || encoding == PixelEncoding::kJpegLossless;
}

bool IsJpeg2000(PixelEncoding encoding) {
  return encoding == PixelEncoding::kJpeg2000Lossless || encoding == PixelEncoding::kJpeg2000;
}

// What decoded colour samples are: lossy JPEG decoding gives RGB, JPEG 2000 decoding undoes
// its colour transform, and every decoder gives chroma at full resolution.
std::string DecodedPhotometric(std::string photometric, PixelEncoding encoding, bool lossy) {
  if (photometric.rfind("YBR", 0) != 0) return photometric;
  if (IsJpeg(encoding) && lossy) return std::string(kRgb);
  if (IsJpeg2000(encoding) && (photometric == kYbrIct || photometric == kYbrRct)) {
    return std::string(kRgb);
  }
  if (photometric == kYbrFull422) return std::string(kYbrFull);
  return photometric;
}

// Native pixel data have the byte order of their syntax in units of Bits Allocated.
size_t SampleSwapUnit(uint16_t bitsAllocated) {
  return bitsAllocated == 16 ? 2 : bitsAllocated == 32 ? 4 : 1;
}

// The samples of the image as the conversion holds them between decoding and encoding.
struct Samples {
  std::vector<uint8_t> bytes;  // little endian, every frame, when made here (decoded, swapped)
  // Else the source's own samples, already as they must be: not copied.
  std::span<const uint8_t> source;
  std::span<const uint8_t> View() const { return bytes.empty() ? source : bytes; }
  std::string photometric;  // what the samples are now, without pad
  uint16_t planar = 0;      // their Planar Configuration now
  ChromaSubsampling chroma = ChromaSubsampling::kNone;
  uint32_t frameSize = 0;  // bytes of one frame as held
};

// Colour-by-plane frames (R...R G...G B...B) to colour-by-pixel (RGB RGB ...), in place.
void Interleave(std::span<uint8_t> frame, size_t bytesPerSample) {
  const size_t plane = frame.size() / 3;
  const size_t pixels = plane / bytesPerSample;
  const std::vector<uint8_t> planes(frame.begin(), frame.end());
  uint8_t* out = frame.data();
  for (size_t p = 0; p < pixels; ++p) {
    for (size_t s = 0; s < 3; ++s) {
      std::memcpy(out, planes.data() + s * plane + p * bytesPerSample, bytesPerSample);
      out += bytesPerSample;
    }
  }
}

bool NativeLengthFits(const TagRecord& pixelData, uint64_t heldBytes, uint32_t total) {
  // One byte more is a pad; anything else would read past the data or drop some of it.
  return (pixelData.length == total || pixelData.length == uint64_t{total} + 1) &&
         heldBytes >= total;
}

// The native samples of the source, little endian, exactly `total` bytes.
Samples NativeSamples(const TagRecord& pixelData, const PixelModule& module, uint32_t total,
                      const TransferSyntax& from) {
  const std::span<const uint8_t> value = ValueBytes(pixelData);
  Samples samples;
  if (from.BigEndian()) {
    samples.bytes.assign(value.begin(), value.begin() + total);
    SwapBytes(samples.bytes, SampleSwapUnit(module.bitsAllocated));
  } else {
    samples.source = value.first(total);
  }
  samples.photometric = TrimmedText(module.photometric);
  samples.planar = module.planarConfiguration;
  samples.chroma = module.samples == 3 ? module.Chroma() : ChromaSubsampling::kNone;
  samples.frameSize = module.NativeFrameSize().value_or(0);
  return samples;
}

// Decodes every frame, each on its own, `workers` at once (DecodedPhotometric tells what the
// samples then are).
std::optional<Samples> DecodedSamples(const TagList& source, size_t index,
                                      const PixelModule& module, const TransferSyntax& from,
                                      unsigned workers, PixelDataOutcome& outcome,
                                      ConvertStatus& status) {
  std::optional<EncapsulatedFrames> frames = CollectFrames(source, index, module.frames);
  if (!frames) {
    status = ConvertStatus::kEncapsulatedForm;
    return std::nullopt;
  }
  Samples decoded;
  decoded.frameSize = *module.CodecFrameSize();
  decoded.bytes.resize(*module.CodecTotalSize());
  const size_t count = frames->frames.size();
  std::vector<ConvertStatus> statuses(count, ConvertStatus::kOk);
  std::vector<uint8_t> lossy(count, 0);
  ParallelFor(count, workers, [&](size_t f, unsigned) {
    const std::span<uint8_t> frame =
        std::span<uint8_t>(decoded.bytes).subspan(f * decoded.frameSize, decoded.frameSize);
    bool frameLossy = false;
    statuses[f] = DecodeFrame(from.pixels, module, frames->frames[f].bytes, frame, frameLossy);
    lossy[f] = frameLossy ? 1 : 0;
    return statuses[f] == ConvertStatus::kOk;
  });
  // Every frame before the first failed one was decoded: that failure is the one a single
  // thread would have stopped at.
  for (size_t f = 0; f < count; ++f) {
    status = statuses[f];
    if (status != ConvertStatus::kOk) return std::nullopt;
    outcome.decodedLossy = outcome.decodedLossy || lossy[f] != 0;
    outcome.decodedStreamBytes += frames->frames[f].bytes.size();
  }
  outcome.next = frames->next;
  if (outcome.decodedLossy) outcome.decodedMethod = LossyMethod(from.pixels);
  decoded.photometric = TrimmedText(module.photometric);
  if (module.samples == 3) {
    decoded.photometric =
        DecodedPhotometric(std::move(decoded.photometric), from.pixels, outcome.decodedLossy);
  }
  return decoded;
}

// One frame as the codec takes it: interleaved, and RGB where baseline coding calls for it
// (its streams hold the components as given, so YBR would be read back as RGB).
std::span<const uint8_t> CodecFrame(const Samples& samples, const PixelModule& module,
                                    uint32_t index, const TransferSyntax& to,
                                    std::vector<uint8_t>& work, bool& ok) {
  ok = true;
  const std::span<const uint8_t> frame =
      samples.View().subspan(size_t{index} * samples.frameSize, samples.frameSize);
  if (module.samples != 3) return frame;
  if (to.pixels == PixelEncoding::kJpegBaseline && IsConvertibleYbr(samples.photometric)) {
    work.resize(*module.CodecFrameSize());
    ok = YbrFrameToRgb(samples.photometric, samples.planar, module.rows, module.columns, frame,
                       work);
    return work;
  }
  if (samples.planar == 0) return frame;
  work.assign(frame.begin(), frame.end());
  Interleave(work, module.bitsAllocated > 8 ? 2 : 1);
  return work;
}

void SetText(TagRecord& record, std::string_view text) {
  record.value.assign(text.begin(), text.end());
  if (record.value.size() % 2 != 0) record.value.push_back(' ');
  record.length = static_cast<uint32_t>(record.value.size());
}

void SetNumber(TagRecord& record, uint16_t number, ByteOrder order) {
  record.value.assign(2, 0);
  StoreU16(record.value.data(), number, order == ByteOrder::kBigEndian);
  record.length = 2;
}

// Native output: OW for samples wider than a byte; bytes keep the source's VR, except
// where OW would make readers swap them (big endian) or the source was encapsulated (OB).
std::string_view NativeVR(const TagRecord& pixelData, const PixelModule& module,
                          const TransferSyntax& from, const TransferSyntax& to) {
  if (module.bitsAllocated > 8) return "OW";
  if (from.Encapsulated() || pixelData.HasUndefinedLength() || to.BigEndian() ||
      !pixelData.HasVR()) {
    return "OB";
  }
  return pixelData.VRText();
}

// Coded frames hold every component at full resolution. Native subsampled chroma can reach
// JPEG baseline as RGB, but no other codec, which would no longer keep the samples as
// stored; a stream other than baseline of a subsampled YBR_PARTIAL image decodes to
// full-resolution chroma, for which there is no photometric interpretation.
ConvertStatus CheckPhotometric(const PixelModule& module, bool sourceEncapsulated,
                               const TransferSyntax& from, const TransferSyntax& to) {
  const ChromaSubsampling chroma = module.samples == 3 ? module.Chroma() : ChromaSubsampling::kNone;
  if (chroma == ChromaSubsampling::kNone) return ConvertStatus::kOk;
  if (sourceEncapsulated) {
    const bool fullResolutionName = TrimmedText(module.photometric) == kYbrFull422;
    return from.pixels != PixelEncoding::kJpegBaseline && !fullResolutionName
               ? ConvertStatus::kPhotometric
               : ConvertStatus::kOk;
  }
  if (!to.Encapsulated()) return ConvertStatus::kOk;
  // Y Y Cb Cr stands for two pixels: a frame of an odd number of pixels has no whole last pair.
  const bool wholePairs =
      chroma != ChromaSubsampling::k422 || (uint64_t{module.rows} * module.columns) % 2 == 0;
  if (to.pixels == PixelEncoding::kJpegBaseline && IsConvertibleYbr(module.photometric) &&
      wholePairs) {
    return ConvertStatus::kOk;
  }
  return ConvertStatus::kPhotometric;
}

}  // namespace

ConvertStatus CheckPixelConversion(const TagRecord& pixelData, const PixelModule& module,
                                   const TransferSyntax& from, const TransferSyntax& to) {
  return CheckPixelConversion(pixelData, pixelData.HeldBytes(), module, from, to);
}

ConvertStatus CheckPixelConversion(const TagRecord& pixelData, uint64_t heldBytes,
                                   const PixelModule& module, const TransferSyntax& from,
                                   const TransferSyntax& to) {
  const bool sourceEncapsulated = pixelData.HasUndefinedLength();
  if (!module.CodecTotalSize() || !module.NativeTotalSize()) return ConvertStatus::kImageTooLarge;
  if (to.Encapsulated() && !CodesBitsAllocated(to.pixels, module.bitsAllocated)) {
    return ConvertStatus::kBitsAllocated;
  }
  if (sourceEncapsulated) {
    // Compressed data under a native syntax.
    if (!from.Encapsulated()) return ConvertStatus::kEncapsulatedForm;
    if (!CodesBitsAllocated(from.pixels, module.bitsAllocated)) {
      return ConvertStatus::kBitsAllocated;
    }
  } else {
    if (!NativeLengthFits(pixelData, heldBytes, *module.NativeTotalSize())) {
      return ConvertStatus::kPixelDataLength;
    }
    // Frames are cut from native data only for the codec: they must end on a byte.
    if (to.Encapsulated() && !module.NativeFrameSize()) return ConvertStatus::kBitsAllocated;
  }
  return CheckPhotometric(module, sourceEncapsulated, from, to);
}

std::optional<PixelDataOutcome> ConvertPixelData(
    const TagList& source, size_t index, const TagRecord& pixelData, const PixelModule& module,
    const TransferSyntax& from, const TransferSyntax& to, const CodingOptions& options,
    TagList& out, ConvertStatus& status) {
  // The caller's record holds the settled header only; the value is the source's.
  status = CheckPixelConversion(source[index], module, from, to);
  if (status != ConvertStatus::kOk) return std::nullopt;

  PixelDataOutcome outcome;
  outcome.next = index + 1;
  const unsigned workers = WorkerCount(options.threads);
  const bool sourceEncapsulated = pixelData.HasUndefinedLength();
  Samples samples;
  if (sourceEncapsulated) {
    std::optional<Samples> decoded =
        DecodedSamples(source, index, module, from, workers, outcome, status);
    if (!decoded) return std::nullopt;
    samples = std::move(*decoded);
  } else {
    samples = NativeSamples(source[index], module, *module.NativeTotalSize(), from);
  }
  outcome.sampleBytes = samples.View().size();

  if (to.Encapsulated()) {
    std::vector<std::vector<uint8_t>> streams(module.frames);
    std::vector<std::vector<uint8_t>> work(workers);  // each thread's own
    const bool coded = ParallelFor(module.frames, workers, [&](size_t f, unsigned worker) {
      bool ok = true;
      const std::span<const uint8_t> frame =
          CodecFrame(samples, module, static_cast<uint32_t>(f), to, work[worker], ok);
      return ok && EncodeFrame(to.pixels, module, options, frame, streams[f]);
    });
    if (!coded) {
      status = ConvertStatus::kCodecError;
      return std::nullopt;
    }
    for (const std::vector<uint8_t>& stream : streams)
      outcome.encodedStreamBytes += stream.size();
    if (module.samples == 3) {
      samples.planar = 0;
      if (to.pixels == PixelEncoding::kJpegBaseline && IsConvertibleYbr(samples.photometric)) {
        samples.photometric = kRgb;
      }
    }
    outcome.encodedLossy = EncodesLossy(to.pixels, options);
    if (outcome.encodedLossy) outcome.encodedMethod = LossyMethod(to.pixels);
    AppendEncapsulated(out, "OB", std::move(streams));
  } else {
    std::vector<uint8_t> bytes = std::move(samples.bytes);
    if (bytes.empty()) bytes.assign(samples.source.begin(), samples.source.end());
    if (to.BigEndian()) SwapBytes(bytes, SampleSwapUnit(module.bitsAllocated));
    if (bytes.size() % 2 != 0) bytes.push_back(0);
    TagRecord converted;
    converted.group = pixelData.group;
    converted.element = pixelData.element;
    converted.SetVR(NativeVR(pixelData, module, from, to));
    converted.length = static_cast<uint32_t>(bytes.size());
    converted.value = std::move(bytes);
    out.push_back(std::move(converted));
  }

  // The elements that describe the samples follow what the samples now are.
  if (module.samples == 3) {
    if (module.planarIndex && module.planarConfiguration != 0 && samples.planar == 0) {
      SetNumber(out[*module.planarIndex], 0, to.order);
    }
    if (module.photometricIndex && samples.photometric != TrimmedText(module.photometric)) {
      SetText(out[*module.photometricIndex], samples.photometric);
    }
  }
  status = ConvertStatus::kOk;
  return outcome;
}

}  // namespace norvane
