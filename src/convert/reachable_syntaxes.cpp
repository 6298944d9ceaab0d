#include "convert/reachable_syntaxes.hpp"

#include "convert/pixel_data_conversion.hpp"
#include "convert/pixel_module.hpp"
#include "convert/supported_syntaxes.hpp"

namespace norvane {
namespace {

// CheckConversion over `records`; when they hold no Pixel Data, over `pixelDataHeader`
// (if any) after them, its value held elsewhere in full.
ConvertStatus CheckConversionOf(const TagList& records, const TagRecord* pixelDataHeader,
                                std::string_view targetUid, std::string_view sourceUid) {
  if (UidText(targetUid) == UidText(sourceUid)) return ConvertStatus::kOk;
  const std::optional<TransferSyntax> from = FindTransferSyntax(sourceUid);
  if (!from) return ConvertStatus::kUnsupportedSourceSyntax;
  const std::optional<TransferSyntax> to = FindTransferSyntax(targetUid);
  if (!to) return ConvertStatus::kUnsupportedTargetSyntax;
  // The module as the conversion has noted it when it meets the pixel data.
  PixelModule module;
  for (const TagRecord& record : records) {
    if (IsPixelData(record)) return CheckPixelConversion(record, module, *from, *to);
    module.Note(record, from->BigEndian(), 0);
  }
  if (pixelDataHeader != nullptr) {
    return CheckPixelConversion(*pixelDataHeader, pixelDataHeader->length, module, *from, *to);
  }
  return ConvertStatus::kOk;
}

std::vector<std::string> ReachableOf(const TagList& records, const TagRecord* pixelDataHeader,
                                     std::string_view sourceUid) {
  const std::string_view own = UidText(sourceUid);
  std::vector<std::string> syntaxes{std::string(own)};
  for (const TransferSyntax& target : SupportedTransferSyntaxes()) {
    if (target.uid != own &&
        CheckConversionOf(records, pixelDataHeader, target.uid, own) == ConvertStatus::kOk) {
      syntaxes.emplace_back(target.uid);
    }
  }
  return syntaxes;
}

}  // namespace

ConvertStatus CheckConversion(const TagList& dataset, std::string_view targetUid,
                              std::string_view sourceUid) {
  return CheckConversionOf(dataset, nullptr, targetUid, sourceUid);
}

std::vector<std::string> ReachableTransferSyntaxes(const TagList& dataset,
                                                   std::string_view sourceUid) {
  return ReachableOf(dataset, nullptr, sourceUid);
}

std::vector<std::string> ReachableTransferSyntaxes(const TagList& header,
                                                   const TagRecord& pixelDataHeader,
                                                   std::string_view sourceUid) {
  return ReachableOf(header, &pixelDataHeader, sourceUid);
}

}  // namespace norvane
