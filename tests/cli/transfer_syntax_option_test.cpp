#include "cli/transfer_syntax_option.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace norvane::cli {
namespace {

TEST(TransferSyntaxOption, NamesStandForTheirUIDs) {
  EXPECT_EQ(ResolveTransferSyntax("implicit"), "1.2.840.10008.1.2");
  EXPECT_EQ(ResolveTransferSyntax("explicit"), "1.2.840.10008.1.2.1");
  EXPECT_EQ(ResolveTransferSyntax("big"), "1.2.840.10008.1.2.2");
  EXPECT_EQ(ResolveTransferSyntax("lossless"), "1.2.840.10008.1.2.4.70");
  EXPECT_EQ(ResolveTransferSyntax("baseline"), "1.2.840.10008.1.2.4.50");
  EXPECT_EQ(ResolveTransferSyntax("rle"), "1.2.840.10008.1.2.5");
  EXPECT_EQ(ResolveTransferSyntax("jpeg-ls"), "1.2.840.10008.1.2.4.80");
  EXPECT_EQ(ResolveTransferSyntax("jpeg-ls-near"), "1.2.840.10008.1.2.4.81");
  EXPECT_EQ(ResolveTransferSyntax("j2k-lossless"), "1.2.840.10008.1.2.4.90");
  EXPECT_EQ(ResolveTransferSyntax("j2k"), "1.2.840.10008.1.2.4.91");
  EXPECT_EQ(ResolveTransferSyntax("deflate"), "1.2.840.10008.1.2.1.99");
}

TEST(TransferSyntaxOption, UIDsAreTakenAsWrittenAndAnythingElseIsRefused) {
  EXPECT_EQ(ResolveTransferSyntax("1.2.840.10008.1.2.5"), "1.2.840.10008.1.2.5");
  const std::string longest = "1." + std::string(62, '2');
  EXPECT_EQ(ResolveTransferSyntax(longest), longest);
  for (const std::string& bad : std::vector<std::string>{"", "Explicit", "1.2..3", ".1.2", "1.2.",
                                                         "1.2.840 ", "1,2", longest + "3"}) {
    EXPECT_FALSE(ResolveTransferSyntax(bad).has_value()) << "'" << bad << "'";
  }
}

}  // namespace
}  // namespace norvane::cli
