#include "dimse/store_result.hpp"

#include <cstdio>

namespace norvane {
namespace {

// Warning statuses of the Storage service: the object was stored, but not as sent.
bool IsWarningStatus(int status) {
  return (status & 0xF000) == 0xB000;
}

}  // namespace

std::string StatusText(int status) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(status) & 0xFFFFu);
  return text;
}

std::string DescribeStoreResult(const StoreResult& r) {
  switch (r.outcome) {
    case StoreOutcome::kStored:
      if (r.converted) {
        return "stored (0x0000), converted from " + r.fileSyntax + " to " + r.acceptedSyntax;
      }
      return "stored (0x0000)";
    case StoreOutcome::kFailureStatus:
      return "failed, status " + StatusText(r.status) +
             (IsWarningStatus(r.status) ? " (a warning; only 0x0000 counts as stored)" : "");
    case StoreOutcome::kUnreadableFile:
      if (r.readStatus == Part10ReadStatus::kOk) {
        return "failed, the file has no Transfer Syntax UID (0002,0010)";
      }
      return "failed, the file " + std::string(Describe(r.readStatus));
    case StoreOutcome::kNoSOPClass:
      return "failed, the file has no SOP Class UID (0008,0016)";
    case StoreOutcome::kUIDTooLong:
      return "failed, the file's SOP Class UID or Transfer Syntax UID is longer than 64 "
             "characters";
    case StoreOutcome::kAssociationFailed:
      return "failed, no association (connection refused, association rejected, or no "
             "presentation context accepted)";
    case StoreOutcome::kNoPresentationContext:
      return "failed, not sent: the peer accepted no presentation context for SOP class " +
             r.sopClass;
    case StoreOutcome::kConversionOff:
      return "failed, not sent: the peer accepted " + r.acceptedSyntax + ", the file is " +
             r.fileSyntax + " and conversion is off";
    case StoreOutcome::kNotConverted:
      return "failed, not sent: conversion from " + r.fileSyntax + " to " + r.acceptedSyntax +
             " failed: " + std::string(Describe(r.conversion));
    case StoreOutcome::kNotSent:
      return "failed, the request could not be sent";
    case StoreOutcome::kNoResponse:
      return "failed, no response from the peer";
    case StoreOutcome::kUnexpectedResponse:
      return "failed, the peer's answer was not a C-STORE response";
  }
  return "failed";
}

}  // namespace norvane
