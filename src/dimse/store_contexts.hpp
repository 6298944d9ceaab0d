#pragma once

// The presentation contexts a storage requester proposes for an object, and the accepted
// one each object goes out on.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "elements/tag_record.hpp"
#include "net/pdu_service.hpp"
#include "net/service_result.hpp"

namespace norvane {

// The transfer syntaxes a data set can go out in: its own, and, when `convert` allows
// conversion, every other the conversion reaches from it (ReachableTransferSyntaxes).
std::vector<std::string> SendableSyntaxes(const TagList& dataset, std::string_view fileSyntax,
                                          bool convert);

// The same judged from a file's header: the elements before its Pixel Data and that
// element's header, whose whole value the file holds (DICOMHeader).
std::vector<std::string> SendableSyntaxes(const TagList& header, const TagRecord& pixelDataHeader,
                                          std::string_view fileSyntax, bool convert);

// The transfer syntaxes the object can go out in, in the order of preference: the
// preferred syntax (never for a non-image SOP class), the file's own, implicit VR little
// endian; each once, and each only when the data set can be had in it: its own syntax
// always, another only when `convert` allows conversion and the conversion can reach it
// from this data set (ReachableTransferSyntaxes).
std::vector<std::string> StoreSyntaxes(const TagList& dataset, std::string_view sopClass,
                                       std::string_view fileSyntax,
                                       std::string_view preferredSyntax, bool convert);

// The same for a data set whose SendableSyntaxes are known.
std::vector<std::string> StoreSyntaxes(const std::vector<std::string>& sendable,
                                       std::string_view sopClass, std::string_view fileSyntax,
                                       std::string_view preferredSyntax);

// One presentation context per syntax of StoreSyntaxes, in that order, each for the SOP
// class and holding that syntax alone. The peer decides on each by itself, so it can
// accept the object's own syntax even when it would pick another from a list, and it is
// never offered a syntax the object cannot be sent in.
std::vector<ContextProposal> StoreContexts(const TagList& dataset, std::string_view sopClass,
                                           std::string_view fileSyntax,
                                           std::string_view preferredSyntax, bool convert);

// The same for an object whose SendableSyntaxes are known.
std::vector<ContextProposal> StoreContexts(const std::vector<std::string>& sendable,
                                           std::string_view sopClass, std::string_view fileSyntax,
                                           std::string_view preferredSyntax);

// An association that failed because the peer accepted none of these contexts, said with
// what was proposed: "...: proposed for SOP class S: T1, T2" and, when conversion is off,
// "; conversion is off". Other results are returned as they are.
ServiceResult WithProposal(ServiceResult association, const std::vector<ContextProposal>& contexts,
                           bool convert);

// The contexts of `more` that `contexts` lacks, added; false (nothing added) when the sum
// would pass what one association can propose.
bool AddContexts(std::vector<ContextProposal>& contexts, const std::vector<ContextProposal>& more);

struct AcceptedContext {
  uint8_t id = 0;
  std::string transferSyntax;
};

// The accepted presentation contexts proposed for the SOP class, in the order they were
// proposed, which is the order of preference.
std::vector<AcceptedContext> AcceptedContextsFor(const PDU_Service& pdu, std::string_view sopClass);

// The accepted context a data set goes out on: among the contexts accepted for its SOP
// class, the one whose syntax comes first in StoreSyntaxes (preferred, the file's own,
// implicit VR little endian); failing that, the first, in the order proposed, whose syntax
// is sendable (a series sends every file on the contexts proposed for its first).
// Nullopt when the data set can be had in none of them.
std::optional<AcceptedContext> ChooseContext(const std::vector<AcceptedContext>& accepted,
                                             const std::vector<std::string>& sendable,
                                             std::string_view sopClass, std::string_view fileSyntax,
                                             std::string_view preferredSyntax);

}  // namespace norvane
