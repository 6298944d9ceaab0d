#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "datadec/deflate_stream.hpp"
#include "datadec/element_codec.hpp"
#include "elements/tag_record.hpp"
#include "net/received_value_sink.hpp"

namespace norvane {

// Decodes one received DIMSE message into records while its PDV fragments arrive, so that a
// message is never gathered whole: each value goes from the receive window into its record
// once. A header split between fragments waits in a few staged bytes until it is whole (or
// the message ends). A value's declared length reserves address space for it (beyond its
// first MiB only once the peer has sent that much of it), but its bytes are written only as
// they arrive, so a peer's number never makes memory be written that the peer did not send.
// At most one value is in progress at a time.
//
// The outcome equals decoding the whole message at once: the same records in the same order,
// and a message that is malformed, or ends inside a header or a value, fails at its end.
// After a fault the rest of the message is read past and dropped.
//
// With a sink, each value of at least kSinkFrom bytes is offered to it as it starts; a value
// the sink takes goes to it instead of its record, which gets the sink's `inFile`.
//
// On a context of Deflated Explicit VR Little Endian the message's bytes are one deflate
// stream: they are inflated as they arrive, and a stream that does not end with the message
// fails it.
class MessageDecoder {
 public:
  // The encoding of the messages on a presentation context; nullopt when none was accepted.
  using EncodingOf = std::function<std::optional<DatasetEncoding>(uint8_t contextID)>;

  explicit MessageDecoder(EncodingOf encodingOf) : encodingOf_(std::move(encodingOf)) {}
  MessageDecoder(const MessageDecoder&) = delete;
  MessageDecoder& operator=(const MessageDecoder&) = delete;

  static constexpr uint32_t kSinkFrom = 64 * 1024;
  // The sink for the messages read from now on; null for none.
  void SetSink(ReceivedValueSink* sink) { sink_ = sink; }
  // The most bytes a deflated data set may inflate to (0: no limit). A stream that makes
  // more fails at the chunk that crosses it, so a small message cannot grow without end.
  void SetInflateLimit(uint64_t bytes) { inflateLimit_ = bytes; }
  // Whether the current message failed by inflating past that limit.
  bool InflatedPastLimit() const { return inflatedPastLimit_; }

  // The records of the next message are appended to `list`.
  void Begin(TagList& list);
  // The message's first fragment came on this context, which fixes its encoding; a command
  // set is never deflated.
  void Start(uint8_t contextID, bool command = false);
  // The next bytes of the message, in order.
  void Decode(std::span<const uint8_t> bytes);
  // The message is complete: decodes a header staged at its very end. True when every byte
  // of the message formed whole records; the records decoded before a fault stay in the list.
  bool Finish();
  // The message will not be complete: its records leave the list (unless Finish came first).
  void Abandon();

  // The encoding found at Start; nullopt before it or for a context without one.
  const std::optional<DatasetEncoding>& Encoding() const { return encoding_; }
  // The records of the current (or last finished) message.
  std::span<const TagRecord> Decoded() const;

 private:
  // Decodes encoded (not deflated) bytes.
  void DecodeElements(std::span<const uint8_t> bytes);
  // Decodes the header at the start of `bytes` (at most kMaxHeaderSize of them) and starts
  // its record; the bytes taken, 0 after a fault.
  size_t StartElement(std::span<const uint8_t> bytes);
  // Decodes the staged header; the staged bytes past it are decoded after it.
  void DecodeStaged();
  // Reserves `length` bytes for the value; false (a fault) when they cannot be had.
  bool Reserve(std::vector<uint8_t>& value, uint32_t length);
  // Moves the value bytes at the front of `bytes` into the record in progress.
  void TakeValue(std::span<const uint8_t>& bytes);
  void Append(TagRecord&& record);
  void Fail();

  EncodingOf encodingOf_;
  TagList* list_ = nullptr;
  size_t first_ = 0;
  // Between Begin and Finish or Abandon.
  bool open_ = false;
  bool failed_ = false;
  std::optional<DatasetEncoding> encoding_;
  ElementReaderState state_;
  std::array<uint8_t, kMaxHeaderSize> staged_{};
  size_t stagedSize_ = 0;
  // The record whose value is arriving, and how many of its bytes are still to come.
  TagRecord record_;
  uint32_t valueLeft_ = 0;
  ReceivedValueSink* sink_ = nullptr;
  // The value in progress goes to the sink.
  bool sinking_ = false;
  // The message's bytes are deflated: they go through this first.
  std::unique_ptr<InflateStream> inflate_;
  uint64_t inflateLimit_ = 0;
  uint64_t inflated_ = 0;
  bool inflatedPastLimit_ = false;
};

}  // namespace norvane
