#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "net/buffer.hpp"
#include "net/presentation_context.hpp"
#include "net/presentation_context_accept.hpp"
#include "net/uid_item.hpp"
#include "net/user_information.hpp"

namespace norvane {

// What A-ASSOCIATE-RQ and A-ASSOCIATE-AC share: the fixed part (protocol version, the two
// AE titles, 32 reserved bytes), the application context, a list of presentation context
// items (`Context`) and the user information.
template <class Context>
class AssociatePdu {
 public:
  uint8_t PduType() const { return pduType_; }
  uint32_t PduLength() const { return pduLength_; }
  uint16_t ProtocolVersion() const { return protocolVersion_; }

  // Titles are used up to 16 characters; on the wire they are padded with spaces to 16.
  void SetCalledApTitle(std::string_view title);
  void SetCallingApTitle(std::string_view title);
  // As received: the 16 bytes up to the first zero byte, trailing blanks kept.
  const std::string& CalledApTitle() const { return calledApTitle_; }
  const std::string& CallingApTitle() const { return callingApTitle_; }

  bool SetApplicationContext(std::string_view uid) { return applicationContext_.SetText(uid); }
  UIDitem& ApplicationContext() { return applicationContext_; }
  const UIDitem& ApplicationContext() const { return applicationContext_; }

  std::vector<Context>& PresentationContexts() { return contexts_; }
  const std::vector<Context>& PresentationContexts() const { return contexts_; }
  void AddPresentationContext(Context context) { contexts_.push_back(std::move(context)); }

  UserInformation& UserInfo() { return userInformation_; }
  const UserInformation& UserInfo() const { return userInformation_; }

  // Writes the PDU: the first 74 bytes are flushed before the items, each item flushes
  // when written. False when any flush fails.
  bool Write(Buffer& buffer);
  // Reads the type byte (not checked), then the body.
  bool Read(Buffer& buffer);
  // Reads the body after the type byte. Every item must fit in the PDU length; an item
  // of an unrecognised type ends the parse and the rest of the PDU is skipped, keeping
  // what was read before it. True only when the PDU length is used up exactly.
  bool ReadDynamic(Buffer& buffer);
  // Sets the PDU length (68 + item sizes); returns it + 6.
  uint32_t Size();

 protected:
  explicit AssociatePdu(uint8_t pduType);

 private:
  uint8_t pduType_;
  uint32_t pduLength_ = 0;
  uint16_t protocolVersion_;
  std::string calledApTitle_;
  std::string callingApTitle_;
  UIDitem applicationContext_;
  std::vector<Context> contexts_;
  UserInformation userInformation_;
};

extern template class AssociatePdu<PresentationContext>;
extern template class AssociatePdu<PresentationContextAccept>;

// A-ASSOCIATE-RQ (type 0x01): the proposal.
class AAssociateRQ : public AssociatePdu<PresentationContext> {
 public:
  AAssociateRQ();
};

// A-ASSOCIATE-AC (type 0x02): the answer.
class AAssociateAC : public AssociatePdu<PresentationContextAccept> {
 public:
  AAssociateAC();
};

}  // namespace norvane
