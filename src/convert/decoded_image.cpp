#include "convert/decoded_image.hpp"

#include "convert/convert_dataset.hpp"
#include "convert/supported_syntaxes.hpp"

namespace norvane {

bool HoldsNativeLittleEndianPixels(std::string_view transferSyntax) {
  const std::optional<TransferSyntax> syntax = FindTransferSyntax(transferSyntax);
  return syntax && !syntax->Encapsulated() && !syntax->BigEndian();
}

ConvertStatus DecodeCompressedPixels(TagList& dataset, std::string_view transferSyntax) {
  const std::optional<TransferSyntax> syntax = FindTransferSyntax(transferSyntax);
  if (!syntax || syntax->BigEndian()) return ConvertStatus::kUnsupportedSourceSyntax;
  if (!syntax->Encapsulated()) return ConvertStatus::kOk;
  TagList decoded;
  const ConvertStatus status =
      ConvertDataset(decoded, dataset, kExplicitVRLittleEndian, transferSyntax);
  if (status == ConvertStatus::kOk) dataset = std::move(decoded);
  return status;
}

}  // namespace norvane
