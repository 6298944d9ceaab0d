#pragma once

#include <cstdint>
#include <string_view>

#include "net/buffer.hpp"
#include "net/uid_item.hpp"

namespace norvane {

// The answer to one presentation context (item 0x21 of an A-ASSOCIATE-AC): the ID, the
// result and the one transfer syntax. The abstract syntax is kept for the acceptor's own
// use and never sent.
class PresentationContextAccept {
 public:
  static constexpr uint8_t kItemType = 0x21;

  explicit PresentationContextAccept(uint8_t id = 0);
  // A new item as the association reader makes them.
  static PresentationContextAccept New() { return PresentationContextAccept(); }

  uint8_t PresentationContextID() const { return presentationContextID_; }
  void SetPresentationContextID(uint8_t id) { presentationContextID_ = id; }
  uint8_t Result() const { return result_; }
  void SetResult(uint8_t result) { result_ = result; }
  uint16_t Length() const { return length_; }

  bool SetAbstractSyntax(std::string_view uid) { return abstractSyntax_.SetText(uid); }
  bool SetTransferSyntax(std::string_view uid) { return transferSyntax_.SetText(uid); }
  const UIDitem& AbstractSyntax() const { return abstractSyntax_; }
  const UIDitem& TransferSyntax() const { return transferSyntax_; }

  // Writes the item with its transfer syntax sub-item (flushed).
  bool Write(Buffer& buffer);
  // Reads the item after its type byte; `room` counts from the type byte. The one
  // sub-item is read as the transfer syntax (type not checked); an item without one has
  // an empty transfer syntax, and bytes after it inside the item are skipped.
  bool ReadDynamic(Buffer& buffer, uint32_t room = kUnbounded);
  // Sets the item length (4 + transfer syntax size); returns it + 4.
  uint32_t Size();

 private:
  uint16_t length_ = 0;
  uint8_t presentationContextID_;
  uint8_t result_ = 0;
  UIDitem abstractSyntax_;
  UIDitem transferSyntax_;
};

}  // namespace norvane
