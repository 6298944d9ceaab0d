#include "net/associate_rq_ac.hpp"

#include <algorithm>
#include <cstring>

#include "net/pdu_layout.hpp"
#include "net/uids.hpp"

namespace norvane {
namespace {

// An AE title field is padded with spaces: strict peers refuse control characters in it,
// NULs included.
void WriteApTitle(Buffer& buffer, const std::string& title) {
  uint8_t field[kApTitleLength];
  std::memset(field, ' ', kApTitleLength);
  std::memcpy(field, title.data(), std::min<size_t>(title.size(), kApTitleLength));
  buffer.WriteBytes(field, kApTitleLength);
}

bool ReadApTitle(Buffer& buffer, std::string& title) {
  char field[kApTitleLength];
  if (!buffer.ReadBytes(field, kApTitleLength)) return false;
  const std::string_view text(field, kApTitleLength);
  title.assign(text.substr(0, text.find('\0')));
  return true;
}

}  // namespace

template <class Context>
AssociatePdu<Context>::AssociatePdu(uint8_t pduType)
    : pduType_(pduType),
      protocolVersion_(kProtocolVersion),
      applicationContext_(kItemApplicationContext) {
  applicationContext_.SetText(uid::kApplicationContext);
}

template <class Context>
void AssociatePdu<Context>::SetCalledApTitle(std::string_view title) {
  calledApTitle_.assign(title.substr(0, kApTitleLength));
}

template <class Context>
void AssociatePdu<Context>::SetCallingApTitle(std::string_view title) {
  callingApTitle_.assign(title.substr(0, kApTitleLength));
}

template <class Context>
uint32_t AssociatePdu<Context>::Size() {
  uint32_t length = kAssociateFixedLength + applicationContext_.Size();
  for (Context& context : contexts_)
    length += context.Size();
  length += userInformation_.Size();
  pduLength_ = length;
  return kPduHeaderSize + length;
}

template <class Context>
bool AssociatePdu<Context>::Write(Buffer& buffer) {
  Size();
  buffer.WriteByte(pduType_);
  buffer.WriteByte(0x00);
  buffer.WriteUInt32(pduLength_);
  buffer.WriteUInt16(kProtocolVersion);
  buffer.WriteUInt16(0x0000);
  WriteApTitle(buffer, calledApTitle_);
  WriteApTitle(buffer, callingApTitle_);
  const uint8_t reserved[kAssociateReservedLength] = {};
  buffer.WriteBytes(reserved, sizeof reserved);
  if (!buffer.Flush() || !applicationContext_.Write(buffer)) return false;
  for (Context& context : contexts_) {
    if (!context.Write(buffer)) return false;
  }
  return userInformation_.Write(buffer);
}

template <class Context>
bool AssociatePdu<Context>::Read(Buffer& buffer) {
  return buffer.ReadByte(pduType_) && ReadDynamic(buffer);
}

template <class Context>
bool AssociatePdu<Context>::ReadDynamic(Buffer& buffer) {
  uint8_t reserved8;
  uint16_t reserved16;
  if (!buffer.ReadByte(reserved8) || !buffer.ReadUInt32(pduLength_)) return false;
  if (pduLength_ < kAssociateFixedLength) return false;
  uint8_t reserved[kAssociateReservedLength];
  if (!buffer.ReadUInt16(protocolVersion_) || !buffer.ReadUInt16(reserved16) ||
      !ReadApTitle(buffer, calledApTitle_) || !ReadApTitle(buffer, callingApTitle_) ||
      !buffer.ReadBytes(reserved, sizeof reserved)) {
    return false;
  }

  uint32_t remaining = pduLength_ - kAssociateFixedLength;
  while (remaining > 0) {
    uint8_t type;
    if (!buffer.ReadByte(type)) return false;
    if (type == kItemApplicationContext) {
      if (!applicationContext_.ReadDynamic(buffer, remaining)) return false;
      remaining -= kItemHeaderSize + applicationContext_.Length();
    } else if (type == Context::kItemType) {
      if (contexts_.size() >= kMaxPresentationContexts) return false;
      Context context = Context::New();
      if (!context.ReadDynamic(buffer, remaining)) return false;
      remaining -= kItemHeaderSize + context.Length();
      contexts_.push_back(std::move(context));
    } else if (type == UserInformation::kItemType) {
      if (!userInformation_.ReadDynamic(buffer, remaining)) return false;
      remaining -= kItemHeaderSize + userInformation_.Length();
    } else {
      // Nothing after an unknown item can be trusted to be where it seems.
      if (!buffer.Skip(remaining - 1)) return false;
      remaining = 0;
    }
  }
  return true;
}

template class AssociatePdu<PresentationContext>;
template class AssociatePdu<PresentationContextAccept>;

AAssociateRQ::AAssociateRQ() : AssociatePdu(kPduAssociateRQ) {}

AAssociateAC::AAssociateAC() : AssociatePdu(kPduAssociateAC) {}

}  // namespace norvane
