#include "datadec/element_encoding.hpp"

#include <algorithm>

#include "log/log.hpp"

namespace norvane {
namespace {

// A caller's buffer, filled from the front and never written past its end.
class SpanSink {
 public:
  explicit SpanSink(std::span<uint8_t> buffer) : buffer_(buffer) {}
  size_t Room() const { return buffer_.size() - position_; }
  bool Write(std::span<const uint8_t> bytes) {
    if (bytes.size() > Room()) return false;
    std::copy(bytes.begin(), bytes.end(), buffer_.begin() + static_cast<ptrdiff_t>(position_));
    position_ += bytes.size();
    return true;
  }

 private:
  std::span<uint8_t> buffer_;
  size_t position_ = 0;
};

}  // namespace

size_t EncodedLength(const TagList& list, bool explicitVR) {
  const DatasetEncoding encoding{.explicitVR = explicitVR, .bigEndian = false};
  size_t total = 0;
  for (const TagRecord& record : list)
    total += EncodedSize(record, kFileRules, encoding);
  return total;
}

bool EncodeTags(const TagList& list, std::span<uint8_t> buffer, bool explicitVR, ByteOrder order) {
  const DatasetEncoding encoding{.explicitVR = explicitVR,
                                 .bigEndian = order == ByteOrder::kBigEndian};
  SpanSink sink(buffer);
  for (const TagRecord& record : list) {
    if (EncodedSize(record, kFileRules, encoding) > sink.Room()) {
      WriteLog("ERROR: ptr > length");
      return false;
    }
    const std::optional<EncodedElement> element = EncodeElement(record, kFileRules, encoding);
    if (!element || !PutElement(sink, *element)) return false;
  }
  return true;
}

std::optional<std::vector<uint8_t>> EncodeTags(const TagList& list, bool explicitVR,
                                               ByteOrder order) {
  std::vector<uint8_t> bytes(EncodedLength(list, explicitVR));
  if (!EncodeTags(list, bytes, explicitVR, order)) return std::nullopt;
  return bytes;
}

}  // namespace norvane
