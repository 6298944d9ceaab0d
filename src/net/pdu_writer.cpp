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

PduWriter::PduWriter(PDataTF& pdata, Socket& socket)
    : pdata_(pdata), socket_(socket), fragment_(pdata.FragmentSize()) {
  if (fragment_ == 0) {
    failed_ = true;
    return;
  }
  pdu_.resize(kHeadersSize + fragment_);
}

template <class Copy>
bool PduWriter::Fill(size_t n, Copy copy) {
  for (size_t done = 0; done < n && !failed_;) {
    if (filled_ == fragment_ && !Send(false)) return false;
    const size_t take = std::min(n - done, fragment_ - filled_);
    if (!copy(done, std::span(pdu_).subspan(kHeadersSize + filled_, take))) {
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
  return filled_ == 0 || Send(true);
}

bool PduWriter::Send(bool last) {
  const auto n = static_cast<uint32_t>(filled_);
  const uint8_t control = static_cast<uint8_t>((pdata_.MessageControl() & kPdvCommandBit) |
                                               (last ? kPdvLastFragmentBit : 0));
  pdu_[0] = kPduPDataTF;
  pdu_[1] = 0x00;
  StoreBigEndian32(&pdu_[2], n + kPdvHeaderSize);
  StoreBigEndian32(&pdu_[6], n + kPdvControlSize);
  pdu_[10] = pdata_.OutgoingContextID();
  pdu_[11] = control;
  pdata_.NoteSentPdv(n + kPdvControlSize, control);
  filled_ = 0;
  if (!socket_.SendBinary(pdu_.data(), kHeadersSize + n)) failed_ = true;
  return !failed_;
}

}  // namespace norvane
