#include "net/pdu_writer.hpp"

#include <algorithm>
#include <cstring>

#include "net/pdu_layout.hpp"

namespace norvane {
namespace {

// PDU type, reserved byte and PDU length, then the PDV's item length, context ID and
// message control header.
constexpr size_t kHeadersSize = kPduHeaderSize + kPdvHeaderSize;

void StoreBigEndian32(uint8_t* at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value >> 24);
  at[1] = static_cast<uint8_t>(value >> 16);
  at[2] = static_cast<uint8_t>(value >> 8);
  at[3] = static_cast<uint8_t>(value);
}

}  // namespace

PduWriter::PduWriter(PDataTF& pdata, Transport& transport)
    : pdata_(pdata), transport_(transport), fragment_(pdata.FragmentSize()) {
  if (fragment_ == 0) {
    failed_ = true;
    return;
  }
  const size_t pduSize = kHeadersSize + fragment_;
  pdus_.resize(pduSize * std::max<size_t>(1, kBatchBytes / pduSize));
}

template <class Copy>
bool PduWriter::Fill(size_t n, Copy copy) {
  for (size_t done = 0; done < n && !failed_;) {
    if (filled_ == fragment_) {
      Close(false);
      if (pduStart_ + kHeadersSize + fragment_ > pdus_.size() && !Flush()) return false;
    }
    const size_t take = std::min(n - done, fragment_ - filled_);
    if (!copy(done, std::span(pdus_).subspan(pduStart_ + kHeadersSize + filled_, take))) {
      failed_ = true;
      return false;
    }
    filled_ += take;
    done += take;
  }
  return !failed_;
}

bool PduWriter::Write(std::span<const uint8_t> bytes) {
  return Fill(bytes.size(), [&](size_t done, std::span<uint8_t> into) {
    std::memcpy(into.data(), bytes.data() + done, into.size());
    return true;
  });
}

bool PduWriter::WriteFrom(const ValueInFile& where, size_t n) {
  return Fill(n, [&](size_t done, std::span<uint8_t> into) {
    return where.source->Read(where.offset + done, into);
  });
}

bool PduWriter::End() {
  if (failed_) return false;
  if (filled_ > 0) Close(true);
  return Flush();
}

void PduWriter::Close(bool last) {
  const auto n = static_cast<uint32_t>(filled_);
  const uint8_t control = static_cast<uint8_t>((pdata_.MessageControl() & kPdvCommandBit) |
                                               (last ? kPdvLastFragmentBit : 0));
  uint8_t* pdu = pdus_.data() + pduStart_;
  pdu[0] = kPduPDataTF;
  pdu[1] = 0x00;
  StoreBigEndian32(&pdu[2], n + kPdvHeaderSize);
  StoreBigEndian32(&pdu[6], n + kPdvControlSize);
  pdu[10] = pdata_.OutgoingContextID();
  pdu[11] = control;
  pdata_.NoteSentPdv(n + kPdvControlSize, control);
  pduStart_ += kHeadersSize + n;
  filled_ = 0;
}

bool PduWriter::Flush() {
  if (pduStart_ > 0 && !transport_.Send(pdus_.data(), pduStart_)) failed_ = true;
  pduStart_ = 0;
  return !failed_;
}

}  // namespace norvane
