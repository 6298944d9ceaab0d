#include "convert/pixel_data_conversion.hpp"

#include <algorithm>
#include <cstring>
#include <vector>

#include "convert/encapsulated_frames.hpp"
#include "convert/frame_coding.hpp"
#include "convert/value_swap.hpp"
#include "elements/byte_order.hpp"
#include "elements/tag_list.hpp"

namespace norvane {
namespace {

// Native pixel data have the byte order of their syntax in units of Bits Allocated.
size_t SampleSwapUnit(uint16_t bitsAllocated) {
  return bitsAllocated == 16 ? 2 : bitsAllocated == 32 ? 4 : 1;
}

bool InterleavedSamples(const PixelModule& module) {
  return module.samples == 1 || module.planarConfiguration == 0;
}

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

// The native samples of the source, little endian, exactly `total` bytes.
std::optional<std::vector<uint8_t>> NativeSamples(const TagRecord& pixelData,
                                                  const PixelModule& module, uint32_t total,
                                                  const TransferSyntax& from,
                                                  ConvertStatus& status) {
  // One byte more is a pad; anything else would read past the data or drop some of it.
  const std::span<const uint8_t> value = ValueBytes(pixelData);
  if ((pixelData.length != total && pixelData.length != uint64_t{total} + 1) ||
      value.size() < total) {
    status = ConvertStatus::kPixelDataLength;
    return std::nullopt;
  }
  std::vector<uint8_t> samples(value.begin(), value.begin() + total);
  if (from.BigEndian()) SwapBytes(samples, SampleSwapUnit(module.bitsAllocated));
  return samples;
}

struct Decoded {
  std::vector<uint8_t> samples;
  size_t next = 0;
  bool lossy = false;
};

std::optional<Decoded> DecodedSamples(const TagList& source, size_t index,
                                      const PixelModule& module, uint32_t frameSize, uint32_t total,
                                      const TransferSyntax& from, ConvertStatus& status) {
  if (!from.Encapsulated()) {
    status = ConvertStatus::kEncapsulatedForm;  // compressed data under a native syntax
    return std::nullopt;
  }
  if (!JpegCodesBitsAllocated(from.pixels, module.bitsAllocated)) {
    status = ConvertStatus::kBitsAllocated;
    return std::nullopt;
  }
  std::optional<EncapsulatedFrames> frames = CollectFrames(source, index, module.frames);
  if (!frames) {
    status = ConvertStatus::kEncapsulatedForm;
    return std::nullopt;
  }
  Decoded decoded;
  decoded.next = frames->next;
  decoded.samples.resize(total);
  for (size_t f = 0; f < frames->frames.size(); ++f) {
    const std::span<uint8_t> frame =
        std::span<uint8_t>(decoded.samples).subspan(f * frameSize, frameSize);
    bool lossy = false;
    status = DecodeFrame(from.pixels, module, frames->frames[f].bytes, frame, lossy);
    if (status != ConvertStatus::kOk) return std::nullopt;
    decoded.lossy = decoded.lossy || lossy;
  }
  return decoded;
}

void SetText(TagRecord& record, std::string_view text) {
  record.value.assign(text.begin(), text.end());
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

}  // namespace

std::optional<size_t> ConvertPixelData(const TagList& source, size_t index,
                                       const TagRecord& pixelData, const PixelModule& module,
                                       const TransferSyntax& from, const TransferSyntax& to,
                                       TagList& out, ConvertStatus& status) {
  const std::optional<uint32_t> frameSize = module.FrameSize();
  const std::optional<uint32_t> total = module.TotalSize();
  if (!frameSize || !total) {
    status = ConvertStatus::kImageTooLarge;
    return std::nullopt;
  }
  if (to.Encapsulated() && !JpegCodesBitsAllocated(to.pixels, module.bitsAllocated)) {
    status = ConvertStatus::kBitsAllocated;
    return std::nullopt;
  }

  std::vector<uint8_t> samples;
  size_t next = index + 1;
  bool decodedLossy = false;
  const bool sourceEncapsulated = source[index].HasUndefinedLength();
  if (sourceEncapsulated) {
    std::optional<Decoded> decoded =
        DecodedSamples(source, index, module, *frameSize, *total, from, status);
    if (!decoded) return std::nullopt;
    samples = std::move(decoded->samples);
    next = decoded->next;
    decodedLossy = decoded->lossy;
  } else {
    std::optional<std::vector<uint8_t>> native =
        NativeSamples(source[index], module, *total, from, status);
    if (!native) return std::nullopt;
    samples = std::move(*native);
  }

  const bool throughCodec = sourceEncapsulated || to.Encapsulated();
  if (to.Encapsulated()) {
    std::vector<std::vector<uint8_t>> streams(module.frames);
    for (uint32_t f = 0; f < module.frames; ++f) {
      const std::span<uint8_t> frame =
          std::span<uint8_t>(samples).subspan(size_t{f} * *frameSize, *frameSize);
      if (!sourceEncapsulated && !InterleavedSamples(module)) {
        Interleave(frame, module.bitsAllocated > 8 ? 2 : 1);
      }
      if (!EncodeFrame(to.pixels, module, frame, streams[f])) {
        status = ConvertStatus::kCodecError;
        return std::nullopt;
      }
    }
    AppendEncapsulated(out, "OB", std::move(streams));
  } else {
    if (to.BigEndian()) SwapBytes(samples, SampleSwapUnit(module.bitsAllocated));
    if (samples.size() % 2 != 0) samples.push_back(0);
    TagRecord converted;
    converted.group = pixelData.group;
    converted.element = pixelData.element;
    converted.SetVR(NativeVR(pixelData, module, from, to));
    converted.length = static_cast<uint32_t>(samples.size());
    converted.value = std::move(samples);
    out.push_back(std::move(converted));
  }

  // Frames that went through the codec are colour-by-pixel, and lossy decoding gives RGB.
  if (throughCodec && module.samples == 3) {
    if (module.planarIndex && module.planarConfiguration != 0) {
      SetNumber(out[*module.planarIndex], 0, to.order);
    }
    if (decodedLossy && module.photometricIndex && module.photometric.rfind("YBR", 0) == 0) {
      SetText(out[*module.photometricIndex], "RGB ");
    }
  }
  status = ConvertStatus::kOk;
  return next;
}

}  // namespace norvane
