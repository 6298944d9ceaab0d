#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "net/buffer.hpp"
#include "net/uid_item.hpp"

namespace norvane {

// A proposed presentation context (item 0x20 of an A-ASSOCIATE-RQ): an ID, one abstract
// syntax and the transfer syntaxes offered for it, in order.
class PresentationContext {
 public:
  static constexpr uint8_t kItemType = 0x20;

  PresentationContext();
  // A new context, as the association readers make them.
  static PresentationContext New() { return PresentationContext(); }

  uint8_t PresentationContextID() const { return presentationContextID_; }
  void SetPresentationContextID(uint8_t id) { presentationContextID_ = id; }
  uint16_t Length() const { return length_; }

  // Both are false, and nothing changes, for a UID over 64 characters.
  bool SetAbstractSyntax(std::string_view uid) { return abstractSyntax_.SetText(uid); }
  bool AddTransferSyntax(std::string_view uid);

  const UIDitem& AbstractSyntax() const { return abstractSyntax_; }
  const std::vector<UIDitem>& TransferSyntaxes() const { return transferSyntaxes_; }

  // Writes the item; its fixed 8 bytes are flushed before the sub-items.
  bool Write(Buffer& buffer);
  // Reads the item after its type byte; `room` counts from the type byte. The first
  // sub-item is the abstract syntax, every further one a transfer syntax; their type bytes
  // are not checked, and they must fill the item exactly.
  bool ReadDynamic(Buffer& buffer, uint32_t room = kUnbounded);
  // Sets the item length (4 + sub-item sizes); returns it + 4.
  uint32_t Size();

 private:
  uint16_t length_ = 0;
  uint8_t presentationContextID_ = 0;
  UIDitem abstractSyntax_;
  std::vector<UIDitem> transferSyntaxes_;
};

}  // namespace norvane
