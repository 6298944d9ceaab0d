// fuzz_seeds CORPUS SAMPLES: writes the starting corpus of every fuzz target into
// CORPUS/<target>/, made at run time from the library's own writers and from the sample
// files in SAMPLES (pydicom's test files), so that no binary seed is kept in the sources.

#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "convert/encapsulated_frames.hpp"
#include "convert/jpeg2000_codec.hpp"
#include "convert/jpeg_codec.hpp"
#include "convert/jpeg_ls_codec.hpp"
#include "convert/rle_codec.hpp"
#include "datadec/dicom_file_reader.hpp"
#include "datadec/transfer_syntax.hpp"
#include "dimse/dimse_exchange.hpp"
#include "dimse/store_request.hpp"
#include "dimse/verification.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "fuzz_support.hpp"
#include "net/abort.hpp"
#include "net/release.hpp"
#include "net/socket.hpp"
#include "net/tls_layer.hpp"
#include "support/bmp_builder.hpp"

namespace fs = std::filesystem;
using namespace norvane;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr std::string_view kCTImageStorage = "1.2.840.10008.5.1.4.1.1.2";

class Corpus {
 public:
  explicit Corpus(fs::path root) : root_(std::move(root)) {}

  void Add(const std::string& target, const std::string& name, const Bytes& bytes) {
    if (bytes.empty()) return;
    const fs::path folder = root_ / target;
    fs::create_directories(folder);
    std::ofstream(folder / ("seed-" + name), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    ++count_;
  }
  int Count() const { return count_; }

 private:
  fs::path root_;
  int count_ = 0;
};

Bytes FileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The first PDU of a stream: its 6-byte header says how long it is.
size_t FirstPduSize(const Bytes& stream) {
  if (stream.size() < 6) return stream.size();
  const size_t length =
      (size_t{stream[2]} << 24) | (size_t{stream[3]} << 16) | (size_t{stream[4]} << 8) | stream[5];
  return std::min(stream.size(), 6 + length);
}

Bytes Tail(const Bytes& bytes, size_t from) {
  return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.end());
}

// The ClientHello a requester sends, read from the other end of a socket pair that never
// answers (the handshake gives up after a short wait).
Bytes ClientHello() {
  const TlsContext* context = fuzz::SelfSignedTlsContext(TlsRole::kRequester);
  int ends[2];
  if (context == nullptr || ::socketpair(AF_UNIX, SOCK_STREAM, 0, ends) != 0) return {};
  {
    Socket socket;
    socket.AdoptConnection(ends[0]);
    socket.SetReceiveTimeout(std::chrono::milliseconds(50));
    TlsLayer layer(socket, *context);
    (void)layer.Handshake("localhost");
  }
  Bytes hello(16384);
  const ssize_t n = ::recv(ends[1], hello.data(), hello.size(), MSG_DONTWAIT);
  ::close(ends[1]);
  hello.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return hello;
}

// For the acceptor (even first byte): a whole ClientHello, half of one, and a DICOM
// A-ASSOCIATE-RQ where the hello belongs.
void TlsSeeds(Corpus& corpus) {
  Bytes hello = ClientHello();
  if (hello.empty()) return;
  hello.insert(hello.begin(), 0);
  corpus.Add("tls_handshake", "client-hello", hello);
  corpus.Add("tls_handshake", "client-hello-half",
             Bytes(hello.begin(), hello.begin() + static_cast<std::ptrdiff_t>(hello.size() / 2)));
  Bytes plain = fuzz::StorageAssociateRQ();
  plain.insert(plain.begin(), 0);
  corpus.Add("tls_handshake", "plain-associate-rq", plain);
}

void AssociationSeeds(Corpus& corpus) {
  const Bytes rq = fuzz::StorageAssociateRQ();
  corpus.Add("association_pdu", "associate-rq", rq);
  const Bytes answer = fuzz::AcceptorExchange({}, [](PDU_Service&) {});
  corpus.Add("association_pdu", "associate-ac",
             Bytes(answer.begin(), answer.begin() + FirstPduSize(answer)));
  // This system never sends a rejection: result 1, source 1, reason 1 (no reason given).
  corpus.Add("association_pdu", "associate-rj",
             {0x03, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x01, 0x01, 0x01});
  corpus.Add("association_pdu", "release-rq",
             fuzz::SentBytes([](Buffer& b) { return AReleaseRQ().Write(b); }));
  corpus.Add("association_pdu", "release-rp",
             fuzz::SentBytes([](Buffer& b) { return AReleaseRP().Write(b); }));
}

// The data phase a storage SCU sends: what the acceptor writes with the same messages,
// without its A-ASSOCIATE-AC and closing A-ABORT, followed by an A-RELEASE-RQ.
Bytes DataPhase(const std::function<void(PDU_Service&)>& send) {
  Bytes stream = fuzz::AcceptorExchange({}, send);
  stream = Tail(stream, FirstPduSize(stream));
  if (stream.size() >= kAbortPduSize) stream.resize(stream.size() - kAbortPduSize);
  const Bytes release = fuzz::SentBytes([](Buffer& b) { return AReleaseRQ().Write(b); });
  stream.insert(stream.end(), release.begin(), release.end());
  return stream;
}

void MessageSeeds(Corpus& corpus, const fs::path& samples) {
  corpus.Add("message", "echo",
             DataPhase([](PDU_Service& pdu) { (void)WriteEchoRQ(pdu, "1.2.840.10008.1.1"); }));
  for (const char* name : {"CT_small.dcm", "MR_small.dcm", "rtplan.dcm", "nested_priv_SQ.dcm"}) {
    const DicomFileContent file = DICOMFile((samples / name).string());
    if (!file.Ok()) continue;
    TagList dataset = file.dataset;
    // Stored as a CT image whatever it is: the association offers that class.
    const Bytes stream = DataPhase([&dataset](PDU_Service& pdu) {
      (void)SendCommand(pdu, StoreRequest(kCTImageStorage, 1, dataset), &dataset);
    });
    if (stream.size() <= fuzz::kMaxStreamInput) corpus.Add("message", name, stream);
  }
}

// A pixel codec target's seed: the selector of `shape`, then the stream.
void AddCodecSeed(Corpus& corpus, const std::string& target, const std::string& name,
                  const FrameShape& shape, std::span<const uint8_t> stream) {
  for (size_t s = 0; s < std::size(fuzz::kCodecShapes); ++s) {
    const FrameShape& candidate = fuzz::kCodecShapes[s];
    if (candidate.rows == shape.rows && candidate.columns == shape.columns &&
        candidate.samples == shape.samples && candidate.bitsAllocated == shape.bitsAllocated) {
      Bytes seed{static_cast<uint8_t>(s)};
      seed.insert(seed.end(), stream.begin(), stream.end());
      corpus.Add(target, name, seed);
      return;
    }
  }
}

uint16_t FirstUS(const TagList& dataset, Tag tag) {
  const TagRecord* record = FindTag(dataset, tag);
  return record && record->value.size() >= 2 ? LoadU16(record->value.data(), false) : 0;
}

// The first frame of pydicom's RLE, JPEG-LS and JPEG 2000 samples, and the deflated data
// set of its deflated one.
void PixelCodecSeeds(Corpus& corpus, const std::string& name, const DicomFileContent& file,
                     const Bytes& bytes) {
  const std::string syntax = GetTagText(file.meta, tag::kTransferSyntaxUID);
  if (syntax == kDeflatedExplicitVRLittleEndian) {
    const TagRecord* groupLength = FindTag(file.meta, tag::kFileMetaInformationGroupLength);
    const size_t start = 144 + (groupLength ? LoadU32(groupLength->value.data(), false) : 0);
    if (start < bytes.size()) corpus.Add("deflated_dataset", name, Tail(bytes, start));
    return;
  }
  const char* target = syntax == "1.2.840.10008.1.2.5"               ? "rle_codec"
                       : syntax.starts_with("1.2.840.10008.1.2.4.8") ? "jpeg_ls_codec"
                       : syntax.starts_with("1.2.840.10008.1.2.4.9") ? "jpeg2000_codec"
                                                                     : nullptr;
  const TagRecord* pixels = FindTag(file.dataset, tag::kPixelData);
  if (target == nullptr || pixels == nullptr) return;
  const std::optional<EncapsulatedFrames> frames =
      CollectFrames(file.dataset, static_cast<size_t>(pixels - file.dataset.data()), 1);
  if (!frames || frames->frames.empty()) return;
  const std::string photometric = GetTagText(file.dataset, tag::kPhotometricInterpretation);
  FrameShape shape;
  shape.rows = FirstUS(file.dataset, tag::kRows);
  shape.columns = FirstUS(file.dataset, tag::kColumns);
  shape.samples = photometric.starts_with("MONO") ? 1 : 3;
  shape.bitsAllocated = FirstUS(file.dataset, tag::kBitsAllocated);
  AddCodecSeed(corpus, target, name, shape, frames->frames[0].bytes);
}

void FileSeeds(Corpus& corpus, const fs::path& samples) {
  for (const auto& entry : fs::recursive_directory_iterator(samples)) {
    if (!entry.is_regular_file()) continue;
    const std::string name = entry.path().filename().string();
    const bool dicomdir = name.starts_with("DICOMDIR");
    if (entry.path().extension() != ".dcm" && !dicomdir) continue;
    const Bytes bytes = FileBytes(entry.path());
    if (bytes.size() > fuzz::kMaxInput) continue;
    corpus.Add(dicomdir ? "dicomdir" : "dicom_file", name, bytes);
    if (name.find("waveform") != std::string::npos) corpus.Add("waveform", name, bytes);

    const DicomFileContent file = DICOMFile(bytes);
    int sequence = 0;
    for (const TagRecord& record : file.dataset) {
      // Defined-length sequences, as the reader leaves them for later.
      if (record.VRIs("SQ") && record.HasValue()) {
        Bytes seed{static_cast<uint8_t>((file.explicitVR ? 0x01 : 0) | (file.bigEndian ? 0x02 : 0) |
                                        (file.explicitVR ? 0 : 0x04))};
        seed.insert(seed.end(), record.value.begin(), record.value.end());
        corpus.Add("sequence", name + "-" + std::to_string(sequence++), seed);
      }
    }
    PixelCodecSeeds(corpus, name, file, bytes);
    // The first fragment of encapsulated JPEG pixel data (after the offset table).
    const TagRecord* pixels = FindTag(file.dataset, tag::kPixelData);
    if (pixels != nullptr && pixels->HasUndefinedLength()) {
      const auto at = file.dataset.begin() + (pixels - file.dataset.data());
      int items = 0;
      for (auto it = at + 1; it != file.dataset.end() && it->Is(tag::kItem); ++it) {
        if (++items == 2 && it->HasValue() && it->value.size() > 2 && it->value[0] == 0xFF &&
            it->value[1] == 0xD8) {
          corpus.Add("jpeg_codec", name, it->value);
          corpus.Add("image_file", name + ".jpg", it->value);
        }
      }
    }
  }
}

void CodecSeeds(Corpus& corpus) {
  constexpr int kColumns = 16;
  constexpr int kRows = 8;
  Bytes grey(kColumns * kRows), rgb(kColumns * kRows * 3), wide(kColumns * kRows * 2);
  for (size_t i = 0; i < grey.size(); ++i)
    grey[i] = static_cast<uint8_t>(i * 3);
  for (size_t i = 0; i < rgb.size(); ++i)
    rgb[i] = static_cast<uint8_t>(i * 5);
  for (size_t i = 0; i < wide.size(); i += 2) {
    wide[i] = static_cast<uint8_t>(i);
    wide[i + 1] = static_cast<uint8_t>((i / 2) % 16);  // below 4096: also a 12-bit sample
  }
  Bytes stream;
  if (JpegEncode8(kColumns, kRows, 1, grey, stream, kJpegModeBaseline) == 0) {
    corpus.Add("jpeg_codec", "baseline-grey", stream);
    corpus.Add("image_file", "baseline-grey.jpg", stream);
  }
  if (JpegEncode8(kColumns, kRows, 3, rgb, stream, kJpegModeBaseline) == 0) {
    corpus.Add("jpeg_codec", "baseline-rgb", stream);
    corpus.Add("image_file", "baseline-rgb.jpg", stream);
  }
  if (JpegEncode8(kColumns, kRows, 3, rgb, stream, kJpegModeLossless) == 0)
    corpus.Add("jpeg_codec", "lossless-8", stream);
  if (JpegEncode12(kColumns, kRows, 1, wide, stream) == 0)
    corpus.Add("jpeg_codec", "lossless-12", stream);
  if (JpegEncode16(kColumns, kRows, 1, wide, stream) == 0)
    corpus.Add("jpeg_codec", "lossless-16", stream);

  // Every codec's own streams of every shape it codes, from a noisy ramp.
  for (const FrameShape& shape : fuzz::kCodecShapes) {
    Bytes frame(shape.FrameBytes());
    for (size_t i = 0; i < frame.size(); ++i)
      frame[i] = static_cast<uint8_t>((i % 7 == 0 ? i * 31 : i) / shape.BytesPerSample());
    if (shape.bitsStored < shape.bitsAllocated && shape.bitsAllocated == 16) {
      for (size_t i = 1; i < frame.size(); i += 2)
        frame[i] &= 0x0F;  // within 12 bits
    }
    const std::string name = std::to_string(shape.rows) + "x" + std::to_string(shape.columns) +
                             "x" + std::to_string(shape.samples) + "-" +
                             std::to_string(shape.bitsAllocated);
    if (RleEncodeFrame(shape, frame, stream))
      AddCodecSeed(corpus, "rle_codec", name, shape, stream);
    if (JpegLsEncodeFrame(shape, 0, frame, stream))
      AddCodecSeed(corpus, "jpeg_ls_codec", name, shape, stream);
    if (JpegLsEncodeFrame(shape, 3, frame, stream))
      AddCodecSeed(corpus, "jpeg_ls_codec", name + "-near", shape, stream);
    if (Jpeg2000EncodeFrame(shape, 0, frame, stream))
      AddCodecSeed(corpus, "jpeg2000_codec", name, shape, stream);
    if (Jpeg2000EncodeFrame(shape, 10, frame, stream))
      AddCodecSeed(corpus, "jpeg2000_codec", name + "-lossy", shape, stream);
  }

  using norvane::testing::BmpBuilder;
  using norvane::testing::BmpSpec;
  BmpSpec colour;
  colour.width = 3;
  colour.height = 2;
  corpus.Add("image_file", "24bit.bmp", BmpBuilder::File(colour, Bytes(2 * 12, 0x80)));
  BmpSpec palette;
  palette.width = 4;
  palette.height = -2;
  palette.bitCount = 8;
  palette.palette = {{0, 0, 0}, {255, 255, 255}};
  corpus.Add("image_file", "8bit.bmp", BmpBuilder::File(palette, {0, 1, 0, 1, 1, 0, 1, 0}));
  BmpSpec rle = palette;
  rle.height = 2;
  rle.compression = 1;  // RLE8
  corpus.Add("image_file", "rle8.bmp", BmpBuilder::File(rle, {4, 1, 0, 0, 2, 0, 1, 0, 0, 1}));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: fuzz_seeds CORPUS SAMPLES\n");
    return 2;
  }
  Corpus corpus(argv[1]);
  const fs::path samples = argv[2];
  AssociationSeeds(corpus);
  TlsSeeds(corpus);
  MessageSeeds(corpus, samples);
  FileSeeds(corpus, samples);
  CodecSeeds(corpus);
  std::printf("%d seeds written to %s\n", corpus.Count(), argv[1]);
  return 0;
}
