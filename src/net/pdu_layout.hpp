#pragma once

// Sizes and type codes of the DICOM upper-layer protocol data units (PS3.8), named once so
// that no reader or writer spells a wire number twice.

#include <cstdint>
#include <limits>

namespace norvane {

// PDU types.
inline constexpr uint8_t kPduAssociateRQ = 0x01;
inline constexpr uint8_t kPduAssociateAC = 0x02;
inline constexpr uint8_t kPduAssociateRJ = 0x03;
inline constexpr uint8_t kPduPDataTF = 0x04;
inline constexpr uint8_t kPduReleaseRQ = 0x05;
inline constexpr uint8_t kPduReleaseRP = 0x06;
inline constexpr uint8_t kPduAbort = 0x07;

// Item and sub-item types of the association PDUs.
inline constexpr uint8_t kItemApplicationContext = 0x10;
inline constexpr uint8_t kItemPresentationContext = 0x20;
inline constexpr uint8_t kItemPresentationContextAccept = 0x21;
inline constexpr uint8_t kItemAbstractSyntax = 0x30;
inline constexpr uint8_t kItemTransferSyntax = 0x40;
inline constexpr uint8_t kItemUserInformation = 0x50;
inline constexpr uint8_t kSubItemMaximumLength = 0x51;
inline constexpr uint8_t kSubItemImplementationClassUID = 0x52;
inline constexpr uint8_t kSubItemImplementationVersionName = 0x55;

// PDU type, reserved byte and 32-bit PDU length.
inline constexpr uint32_t kPduHeaderSize = 6;
// Item type, reserved byte and 16-bit item length.
inline constexpr uint32_t kItemHeaderSize = 4;
// 32-bit PDV item length, presentation context ID and message control header.
inline constexpr uint32_t kPdvHeaderSize = 6;
// The PDV item length field itself.
inline constexpr uint32_t kPdvLengthFieldSize = 4;
// The part of a PDV item length that is not message bytes (context ID and control header).
inline constexpr uint32_t kPdvControlSize = 2;

// A-ASSOCIATE-RQ/AC: protocol version, reserved, two AE titles and 32 reserved bytes.
inline constexpr uint32_t kAssociateFixedLength = 68;
inline constexpr uint32_t kApTitleLength = 16;
inline constexpr uint32_t kAssociateReservedLength = 32;
inline constexpr uint16_t kProtocolVersion = 0x0001;

// Presentation context ID and three reserved bytes (RQ), or ID, reserved, result,
// reserved (AC).
inline constexpr uint32_t kPresentationContextFixedLength = 4;
// Maximum length sub-item: header and its 32-bit value.
inline constexpr uint16_t kMaximumLengthValueSize = 4;
inline constexpr uint32_t kMaximumLengthSubItemSize = kItemHeaderSize + kMaximumLengthValueSize;

// A-RELEASE-RQ/RP and A-ABORT carry four bytes after the PDU header.
inline constexpr uint32_t kReleaseBodyLength = 4;
inline constexpr uint32_t kAbortBodyLength = 4;
inline constexpr uint32_t kReleasePduSize = kPduHeaderSize + kReleaseBodyLength;
inline constexpr uint32_t kAbortPduSize = kPduHeaderSize + kAbortBodyLength;

// Bytes a unit may occupy when no container limits it.
inline constexpr uint32_t kUnbounded = std::numeric_limits<uint32_t>::max();

// A UID or name text of an association item holds at most this many characters.
inline constexpr uint32_t kMaxUidLength = 64;
// Presentation context IDs are odd numbers 1..255, so a PDU holds at most 128 contexts.
inline constexpr uint32_t kMaxPresentationContexts = 128;

// The maximum PDU length this system announces.
inline constexpr uint32_t kOwnMaximumLength = 16384;
// The longest P-DATA-TF PDU sent: a peer that announces no maximum (0) or a larger one gets
// PDUs of this length, so that one PDU never needs more than this much memory on either side.
inline constexpr uint32_t kLargestPduLengthSent = 256 * 1024;

// The longest command set taken from a peer: every command of the C- and N-services fits
// in a few hundred bytes.
inline constexpr uint64_t kLongestCommandSet = 64 * 1024;

// Result of a presentation context in an A-ASSOCIATE-AC.
inline constexpr uint8_t kContextAcceptance = 0;
inline constexpr uint8_t kContextUserRejection = 1;
inline constexpr uint8_t kContextNoReason = 2;
inline constexpr uint8_t kContextAbstractSyntaxNotSupported = 3;
inline constexpr uint8_t kContextTransferSyntaxesNotSupported = 4;

// Message control header bits of a PDV.
inline constexpr uint8_t kPdvCommandBit = 0x01;
inline constexpr uint8_t kPdvLastFragmentBit = 0x02;

// A-ABORT source values.
inline constexpr uint8_t kAbortSourceServiceUser = 0x00;
inline constexpr uint8_t kAbortSourceServiceProvider = 0x02;
// A-ABORT reasons of a service-provider abort.
inline constexpr uint8_t kAbortReasonNotSpecified = 0x00;
inline constexpr uint8_t kAbortReasonUnrecognizedPdu = 0x01;
inline constexpr uint8_t kAbortReasonUnexpectedPdu = 0x02;
inline constexpr uint8_t kAbortReasonInvalidPduParameter = 0x06;

}  // namespace norvane
