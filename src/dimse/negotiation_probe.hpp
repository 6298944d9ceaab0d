#pragma once

// What a DICOM node accepts: every SOP class of a fixed list proposed with each common
// transfer syntax in a context of its own, in as few associations as the limit of 128
// presentation contexts per association allows.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "net/association_parameters.hpp"
#include "net/service_result.hpp"

namespace norvane {

// A SOP class the probe proposes, and the transfer syntaxes it proposes it with.
struct ProbedClass {
  std::string_view uid;
  std::string_view name;
  std::vector<std::string_view> transferSyntaxes;
};

// Verification; the CommonStorageClasses (image classes with the uncompressed syntaxes,
// JPEG Baseline, Extended, Lossless SV1, JPEG-LS and JPEG 2000 lossless and RLE;
// the others with the uncompressed syntaxes and deflate); Patient and Study Root
// FIND/MOVE/GET; Modality Worklist FIND; grayscale and colour print management and
// Presentation LUT with the uncompressed syntaxes.
const std::vector<ProbedClass>& ProbedClasses();

// The peer's answer to one proposed context.
struct ProbedContext {
  std::string_view sopClass;
  std::string_view transferSyntax;
  // The result of the A-ASSOCIATE-AC (0 acceptance, 1 user rejection, 2 no reason, 3
  // abstract syntax not supported, 4 transfer syntaxes not supported); kNotAnswered when
  // the association was not accepted or the answer named no such context.
  static constexpr int kNotAnswered = -1;
  int result = kNotAnswered;
};

struct [[nodiscard]] ProbeReport : ServiceResult {
  std::vector<ProbedContext> contexts;  // every proposal, in the order of ProbedClasses
  size_t associations = 0;              // associations requested
  size_t accepted = 0;                  // of those, the ones the peer accepted
  // Presentation contexts proposed, and accepted, in the associations the peer answered
  // (Verification once in each).
  size_t proposedContexts = 0;
  size_t acceptedContexts = 0;
  // From the first A-ASSOCIATE-AC.
  std::string implementationClassUID;
  std::string implementationVersionName;
  uint32_t maximumLength = 0;
  // Why an association was not accepted (rejection, abort, no connection), one per
  // association that was not.
  std::vector<std::string> problems;
  // The first answer that broke the protocol (an A-ASSOCIATE-AC naming contexts or transfer
  // syntaxes never proposed); empty when every answer kept to it.
  std::string violation;
};

// Proposes every ProbedClasses context to the peer, Verification in each association
// next to up to 127 others, and releases each association at once. Success when at least
// one association was accepted and no answer broke the protocol; otherwise kProtocol with
// the violation, or the failure of the first association.
ProbeReport ProbeNode(const AssociationParameters& peer);

// The text of a transfer syntax UID ("Explicit VR Little Endian"), or the UID itself.
std::string_view TransferSyntaxName(std::string_view uid);

}  // namespace norvane
