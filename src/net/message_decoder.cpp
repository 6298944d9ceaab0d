#include "net/message_decoder.hpp"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

#include "platform/large_pages.hpp"

namespace norvane {
namespace {

// A value's storage is reserved for at most this much of its declared length until the
// peer has sent that much of it; then for all of it, backed by large pages.
constexpr uint32_t kLargeValue = 1024 * 1024;

}  // namespace

void MessageDecoder::Begin(TagList& list) {
  list_ = &list;
  first_ = list.size();
  open_ = true;
  failed_ = false;
  encoding_.reset();
  stagedSize_ = 0;
  record_ = TagRecord{};
  valueLeft_ = 0;
  sinking_ = false;
  inflate_.reset();
  inflated_ = 0;
  inflatedPastLimit_ = false;
}

void MessageDecoder::Start(uint8_t contextID, bool command) {
  encoding_ = encodingOf_(contextID);
  if (!encoding_) {
    Fail();
    return;
  }
  state_ = ElementReaderState{
      .explicitVR = encoding_->explicitVR, .bigEndian = encoding_->bigEndian, .inMetaGroup = false};
  if (encoding_->deflated && !command) inflate_ = std::make_unique<InflateStream>();
}

void MessageDecoder::Decode(std::span<const uint8_t> bytes) {
  if (!encoding_) failed_ = true;
  if (failed_ || !inflate_) {
    DecodeElements(bytes);
    return;
  }
  const bool inflated = inflate_->Write(bytes, [this](std::span<const uint8_t> plain) {
    inflated_ += plain.size();
    if (inflateLimit_ > 0 && inflated_ > inflateLimit_) {
      inflatedPastLimit_ = true;
      return false;
    }
    DecodeElements(plain);
    return !failed_;
  });
  if (!inflated) Fail();
}

void MessageDecoder::DecodeElements(std::span<const uint8_t> bytes) {
  while (!bytes.empty() && !failed_) {
    if (valueLeft_ > 0) {
      TakeValue(bytes);
    } else if (stagedSize_ == 0 && bytes.size() >= kMaxHeaderSize) {
      bytes = bytes.subspan(StartElement(bytes.first(kMaxHeaderSize)));
    } else {
      // Too few bytes left in this fragment to be sure the header is whole.
      const size_t take = std::min(kMaxHeaderSize - stagedSize_, bytes.size());
      std::memcpy(staged_.data() + stagedSize_, bytes.data(), take);
      stagedSize_ += take;
      bytes = bytes.subspan(take);
      if (stagedSize_ == kMaxHeaderSize) DecodeStaged();
    }
  }
}

void MessageDecoder::DecodeStaged() {
  const std::array<uint8_t, kMaxHeaderSize> staged = staged_;
  const size_t size = stagedSize_;
  stagedSize_ = 0;
  const size_t used = StartElement(std::span(staged).first(size));
  if (used > 0) DecodeElements(std::span(staged).subspan(used, size - used));
}

size_t MessageDecoder::StartElement(std::span<const uint8_t> bytes) {
  const std::optional<ElementHeader> header = DecodeElementHeader(bytes, kNetworkRules, state_);
  if (!header) {
    Fail();
    return 0;
  }
  TagRecord record = header->ToRecord();
  if (!record.HasValue()) {
    Append(std::move(record));
    return header->headerSize;
  }
  sinking_ = sink_ != nullptr && record.length >= kSinkFrom && sink_->Begin(Decoded(), record);
  if (!sinking_ && !Reserve(record.value, std::min(record.length, kLargeValue))) return 0;
  record_ = std::move(record);
  valueLeft_ = record_.length;
  return header->headerSize;
}

// Address space only: the pages are written as the value's bytes arrive.
bool MessageDecoder::Reserve(std::vector<uint8_t>& value, uint32_t length) {
  try {
    value.reserve(length);
  } catch (const std::bad_alloc&) {
    Fail();
    return false;
  } catch (const std::length_error&) {
    Fail();
    return false;
  }
  if (length > kLargeValue) PreferLargePages(value.data(), value.capacity());
  return true;
}

void MessageDecoder::TakeValue(std::span<const uint8_t>& bytes) {
  const size_t take = std::min<size_t>(valueLeft_, bytes.size());
  if (sinking_) {
    sink_->Write(bytes.first(take));
  } else {
    if (record_.value.size() + take > record_.value.capacity() &&
        !Reserve(record_.value, record_.length)) {
      return;
    }
    record_.value.insert(record_.value.end(), bytes.begin(),
                         bytes.begin() + static_cast<ptrdiff_t>(take));
  }
  valueLeft_ -= static_cast<uint32_t>(take);
  bytes = bytes.subspan(take);
  if (valueLeft_ > 0) return;
  if (sinking_) {
    record_.inFile = sink_->End();
    sinking_ = false;
  }
  Append(std::move(record_));
}

void MessageDecoder::Append(TagRecord&& record) {
  try {
    list_->push_back(std::move(record));
  } catch (const std::bad_alloc&) {
    Fail();
  }
}

void MessageDecoder::Fail() {
  failed_ = true;
  record_ = TagRecord{};
  valueLeft_ = 0;
  sinking_ = false;
  stagedSize_ = 0;
}

bool MessageDecoder::Finish() {
  // Only the message's end shows that a header shorter than kMaxHeaderSize is all there is.
  while (!failed_ && stagedSize_ > 0)
    DecodeStaged();
  if (valueLeft_ > 0 || (inflate_ && !inflate_->Ended())) Fail();
  open_ = false;
  return !failed_ && encoding_.has_value();
}

void MessageDecoder::Abandon() {
  if (open_ && list_ != nullptr) {
    list_->erase(list_->begin() + static_cast<ptrdiff_t>(first_), list_->end());
  }
  open_ = false;
  failed_ = false;
  record_ = TagRecord{};
  valueLeft_ = 0;
  sinking_ = false;
  stagedSize_ = 0;
}

std::span<const TagRecord> MessageDecoder::Decoded() const {
  if (list_ == nullptr) return {};
  return std::span<const TagRecord>(*list_).subspan(first_);
}

}  // namespace norvane
