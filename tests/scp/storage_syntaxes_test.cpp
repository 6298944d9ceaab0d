// The transfer syntax the storage SCP accepts for a proposed context, and the one it sends
// stored objects back on: the preference order over every syntax it can store.

#include "scp/storage_syntaxes.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace norvane {
namespace {

constexpr const char* kCT = "1.2.840.10008.5.1.4.1.1.2";
constexpr const char* kUSMultiframe = "1.2.840.10008.5.1.4.1.1.3.1";
constexpr const char* kImplicit = "1.2.840.10008.1.2";
constexpr const char* kBig = "1.2.840.10008.1.2.2";
constexpr const char* kDeflated = "1.2.840.10008.1.2.1.99";
constexpr const char* kBaseline = "1.2.840.10008.1.2.4.50";
constexpr const char* kLossless = "1.2.840.10008.1.2.4.70";
constexpr const char* kExtended = "1.2.840.10008.1.2.4.51";
constexpr const char* kRle = "1.2.840.10008.1.2.5";
constexpr const char* kJpegLs = "1.2.840.10008.1.2.4.80";
constexpr const char* kJpegLsNear = "1.2.840.10008.1.2.4.81";
constexpr const char* kJ2kLossless = "1.2.840.10008.1.2.4.90";
constexpr const char* kJ2k = "1.2.840.10008.1.2.4.91";

std::vector<UIDitem> Proposed(const std::vector<const char*>& syntaxes) {
  std::vector<UIDitem> items;
  for (const char* syntax : syntaxes) {
    UIDitem& item = items.emplace_back();
    item.SetText(syntax);
  }
  return items;
}

TEST(StorageSyntaxes, EveryStorableSyntaxIsAcceptedInItsOrder) {
  const struct {
    const char* sopClass;
    std::vector<const char*> proposed;
    std::string accepted;
  } cases[] = {
      {kUSMultiframe, {kLossless, kBaseline}, kBaseline},
      {kCT, {kBaseline, kImplicit, kLossless}, kLossless},
      {kCT, {kRle, kImplicit}, kImplicit},
      {kCT, {kDeflated, kJ2k, kJpegLsNear, kJ2kLossless, kJpegLs, kRle}, kRle},
      {kCT, {kDeflated, kJ2k, kJpegLsNear, kJ2kLossless, kJpegLs}, kJpegLs},
      {kCT, {kDeflated, kJ2k, kJpegLsNear}, kJpegLsNear},
      {kCT, {kDeflated}, kDeflated},
      {kCT, {kBig, kExtended}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.accepted);
    EXPECT_EQ(ChooseTransferSyntax(c.sopClass, Proposed(c.proposed)), c.accepted);
  }
  // Stored objects go back uncompressed first, then in the order above.
  EXPECT_EQ(ChooseSyntaxToSend(kCT, Proposed({kJ2k, kRle, kImplicit})), kImplicit);
  EXPECT_EQ(ChooseSyntaxToSend(kCT, Proposed({kDeflated, kJ2kLossless, kRle})), kRle);
  EXPECT_EQ(ChooseSyntaxToSend(kCT, Proposed({kExtended})), "");
}

}  // namespace
}  // namespace norvane
