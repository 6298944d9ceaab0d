#include "convert/reachable_syntaxes.hpp"

#include "convert/pixel_data_conversion.hpp"
#include "convert/pixel_module.hpp"
#include "convert/supported_syntaxes.hpp"

namespace norvane {

ConvertStatus CheckConversion(const TagList& dataset, std::string_view targetUid,
                              std::string_view sourceUid) {
  if (UidText(targetUid) == UidText(sourceUid)) return ConvertStatus::kOk;
  const std::optional<TransferSyntax> from = FindTransferSyntax(sourceUid);
  if (!from) return ConvertStatus::kUnsupportedSourceSyntax;
  const std::optional<TransferSyntax> to = FindTransferSyntax(targetUid);
  if (!to) return ConvertStatus::kUnsupportedTargetSyntax;
  // The module as the conversion has noted it when it meets the pixel data.
  PixelModule module;
  for (const TagRecord& record : dataset) {
    if (IsPixelData(record)) return CheckPixelConversion(record, module, *from, *to);
    module.Note(record, from->BigEndian(), 0);
  }
  return ConvertStatus::kOk;
}

std::vector<std::string> ReachableTransferSyntaxes(const TagList& dataset,
                                                   std::string_view sourceUid) {
  const std::string_view own = UidText(sourceUid);
  std::vector<std::string> syntaxes{std::string(own)};
  for (const TransferSyntax& target : SupportedTransferSyntaxes()) {
    if (target.uid != own && CheckConversion(dataset, target.uid, own) == ConvertStatus::kOk) {
      syntaxes.emplace_back(target.uid);
    }
  }
  return syntaxes;
}

}  // namespace norvane
