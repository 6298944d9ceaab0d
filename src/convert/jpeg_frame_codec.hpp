#pragma once

// Encoding and decoding of one frame, written once over a JPEG library build `Lib` (see the
// jpeg_build_*.cpp files). Each build's translation unit instantiates these with its own
// structure types.
//
// The library reports fatal errors by calling back into JumpingErrorManager, which longjmps
// to the setjmp at the top of RunCompression / RunDecompression. Those two functions hold
// nothing with a destructor and read none of their locals after the jump; the session and
// the output live in the caller's frame, which then destroys the library object, freeing
// every allocation the library made.

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <span>
#include <type_traits>
#include <vector>

#include "convert/jpeg_builds.hpp"
#include "convert/jpeg_memory_managers.hpp"

namespace norvane::jpeg_builds {

inline constexpr int kBaselineQuality = 75;
inline constexpr int kLosslessPredictor = 1;       // Ra, the sample to the left
inline constexpr int kLosslessPointTransform = 0;  // no scaling: truly lossless

template <class Lib>
struct CompressSession {
  typename Lib::Compress cinfo;
  JumpingErrorManager<Lib> error;
  MemoryDestination<Lib> destination;
};

template <class Lib>
struct DecompressSession {
  typename Lib::Decompress cinfo;
  JumpingErrorManager<Lib> error;
  MemorySource<Lib> source;
};

// Samples wider than a byte are carried as two bytes, little endian.
template <class Lib>
inline constexpr std::size_t kBytesPerSample = sizeof(typename Lib::Sample) == 1 ? 1 : 2;

template <class Lib>
typename Lib::Sample* AllocateRow(auto& cinfo, std::size_t samples) {
  auto* common = reinterpret_cast<typename Lib::Common*>(&cinfo);
  return cinfo.mem->alloc_sarray(common, Lib::kPoolImage,
                                 static_cast<typename Lib::Dimension>(samples), 1)[0];
}

// False when a sample does not fit the build's precision (12 bits), rather than cutting it.
template <class Lib>
bool PackRow(const uint8_t* bytes, typename Lib::Sample* row, std::size_t samples) {
  for (std::size_t i = 0; i < samples; ++i) {
    const unsigned value = bytes[2 * i] | (static_cast<unsigned>(bytes[2 * i + 1]) << 8);
    if (value > Lib::kMaxSample) return false;
    row[i] = static_cast<typename Lib::Sample>(value);
  }
  return true;
}

template <class Lib>
void UnpackRow(const typename Lib::Sample* row, uint8_t* bytes, std::size_t samples) {
  for (std::size_t i = 0; i < samples; ++i) {
    const auto value = static_cast<uint16_t>(row[i]);
    bytes[2 * i] = static_cast<uint8_t>(value & 0xFF);
    bytes[2 * i + 1] = static_cast<uint8_t>(value >> 8);
  }
}

template <class Lib>
bool RunCompression(CompressSession<Lib>& session, const FrameLayout& layout,
                    std::span<const uint8_t> samples, Process process,
                    std::vector<uint8_t>& stream) {
  auto& cinfo = session.cinfo;
  session.error.Install(cinfo);
  if (setjmp(session.error.jump) != 0) return false;

  Lib::CreateCompress(&cinfo);
  session.destination.Install(cinfo, stream);
  cinfo.image_width = static_cast<typename Lib::Dimension>(layout.columns);
  cinfo.image_height = static_cast<typename Lib::Dimension>(layout.rows);
  cinfo.input_components = layout.components;
  cinfo.in_color_space = layout.components == 3 ? Lib::kRgb : Lib::kGrayscale;
  Lib::SetDefaults(&cinfo);
  // Components are coded as given, never transformed to YCbCr: the transform would lose
  // information in lossless mode, and in baseline mode the pixel data keep the photometric
  // interpretation RGB, which DICOM decoders take as "no colour transform in the stream".
  Lib::SetColorSpace(&cinfo, cinfo.in_color_space);
  if (process == Process::Lossless) {
    if constexpr (Lib::kHasLossless) {
      Lib::SimpleLossless(&cinfo, kLosslessPredictor, kLosslessPointTransform);
    } else {
      return false;
    }
  } else {
    Lib::SetQuality(&cinfo, kBaselineQuality, 1);
  }
  // Full resolution for every component: no chroma subsampling.
  for (int c = 0; c < cinfo.num_components; ++c) {
    cinfo.comp_info[c].h_samp_factor = 1;
    cinfo.comp_info[c].v_samp_factor = 1;
  }
  Lib::StartCompress(&cinfo, 1);

  const std::size_t rowSamples =
      static_cast<std::size_t>(layout.columns) * static_cast<std::size_t>(layout.components);
  const std::size_t rowBytes = rowSamples * kBytesPerSample<Lib>;
  typename Lib::Sample* wideRow = nullptr;
  if constexpr (kBytesPerSample<Lib> != 1) wideRow = AllocateRow<Lib>(cinfo, rowSamples);
  while (cinfo.next_scanline < cinfo.image_height) {
    const uint8_t* source = samples.data() + cinfo.next_scanline * rowBytes;
    typename Lib::Sample* row;
    if constexpr (kBytesPerSample<Lib> == 1) {
      // The library only reads its input rows; its interface just lacks the const.
      row =
          const_cast<typename Lib::Sample*>(reinterpret_cast<const typename Lib::Sample*>(source));
    } else {
      if (!PackRow<Lib>(source, wideRow, rowSamples)) return false;
      row = wideRow;
    }
    if (Lib::WriteScanlines(&cinfo, &row, 1) != 1) return false;
  }
  Lib::FinishCompress(&cinfo);
  return true;
}

template <class Lib>
bool EncodeFrame(const FrameLayout& layout, std::span<const uint8_t> samples, Process process,
                 std::vector<uint8_t>& stream) {
  static_assert(std::is_trivially_destructible_v<CompressSession<Lib>>);
  CompressSession<Lib> session{};
  const bool encoded = RunCompression(session, layout, samples, process, stream);
  Lib::DestroyCompress(&session.cinfo);
  return encoded;
}

template <class Lib>
bool RunDecompression(DecompressSession<Lib>& session, std::span<const uint8_t> stream,
                      std::span<uint8_t> destination) {
  auto& cinfo = session.cinfo;
  session.error.Install(cinfo);
  if (setjmp(session.error.jump) != 0) return false;

  Lib::CreateDecompress(&cinfo);
  session.source.Install(cinfo, stream);
  if (Lib::ReadHeader(&cinfo, 1) != Lib::kHeaderOk) return false;
  // The lossless decoder would cut wider samples to the build's size without a word.
  if (cinfo.data_precision > Lib::kPrecision) return false;
  // A lossless stream's components come out exactly as coded.
  if (Lib::IsLossless(cinfo)) cinfo.out_color_space = cinfo.jpeg_color_space;

  // Size check before any decoding work: never write past the caller's buffer.
  Lib::CalcOutputDimensions(&cinfo);
  const std::size_t rowSamples = static_cast<std::size_t>(cinfo.output_width) *
                                 static_cast<std::size_t>(cinfo.output_components);
  const std::size_t rowBytes = rowSamples * kBytesPerSample<Lib>;
  if (rowSamples == 0 || cinfo.output_height > destination.size() / rowBytes) return false;

  if (!Lib::StartDecompress(&cinfo)) return false;
  if (static_cast<std::size_t>(cinfo.output_width) * cinfo.output_components != rowSamples ||
      cinfo.output_height > destination.size() / rowBytes) {
    return false;
  }
  typename Lib::Sample* wideRow = nullptr;
  if constexpr (kBytesPerSample<Lib> != 1) wideRow = AllocateRow<Lib>(cinfo, rowSamples);
  while (cinfo.output_scanline < cinfo.output_height) {
    uint8_t* target = destination.data() + cinfo.output_scanline * rowBytes;
    typename Lib::Sample* row;
    if constexpr (kBytesPerSample<Lib> == 1) {
      row = reinterpret_cast<typename Lib::Sample*>(target);
    } else {
      row = wideRow;
    }
    if (Lib::ReadScanlines(&cinfo, &row, 1) != 1) return false;
    if constexpr (kBytesPerSample<Lib> != 1) UnpackRow<Lib>(wideRow, target, rowSamples);
  }
  return Lib::FinishDecompress(&cinfo) != 0;
}

template <class Lib>
bool DecodeFrame(std::span<const uint8_t> stream, std::span<uint8_t> destination) {
  static_assert(std::is_trivially_destructible_v<DecompressSession<Lib>>);
  DecompressSession<Lib> session{};
  const bool decoded = RunDecompression(session, stream, destination);
  Lib::DestroyDecompress(&session.cinfo);
  return decoded;
}

}  // namespace norvane::jpeg_builds
