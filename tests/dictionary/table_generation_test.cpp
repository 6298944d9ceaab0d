// The committed table is what the generator makes from the dictionary source on this
// machine, and the names convert to UTF-8 for display.

#include <gtest/gtest.h>

#include <filesystem>

#include "dictionary/windows1252.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

constexpr char kSource[] = "/usr/lib/python3/dist-packages/pydicom/_dicom_dict.py";

TEST(DictionaryTable, GeneratorReproducesCommittedTable) {
  if (!std::filesystem::exists(kSource) || !testing::HaveProgram("python3")) {
    GTEST_SKIP() << "pydicom's dictionary or python3 not installed";
  }
  testing::TempDir dir;
  const std::string root = NORVANE_SOURCE_DIR;
  const testing::RunResult run =
      testing::RunProgram({"python3", root + "/tools/make_dictionary_table.py", "--source", kSource,
                           "--output", dir / "table.cpp", "--tags-output", dir / "tags.hpp",
                           "--keywords-output", dir / "keywords.cpp"});
  ASSERT_EQ(run.exitCode, 0) << run.output;
  for (const auto& [made, committedPath] :
       {std::pair{"table.cpp", "src/dictionary/dictionary_table.cpp"},
        std::pair{"tags.hpp", "src/elements/tags.hpp"},
        std::pair{"keywords.cpp", "src/dictionary/keyword_table.cpp"}}) {
    const std::string committed = testing::ReadFileText(root + "/" + committedPath);
    ASSERT_FALSE(committed.empty()) << committedPath;
    EXPECT_TRUE(testing::ReadFileText(dir / made) == committed)
        << committedPath << " differs from the generator's output; run "
        << "tools/make_dictionary_table.py";
  }
}

TEST(Windows1252ToUtf8, ConvertsTheBytesDictionaryNamesUse) {
  EXPECT_EQ(Windows1252ToUtf8("Patient\x92s Name"), "Patient\u2019s Name");
  EXPECT_EQ(Windows1252ToUtf8("R \x96 R"), "R \u2013 R");
  EXPECT_EQ(Windows1252ToUtf8("in \xB5S"), "in \u00B5S");
  EXPECT_EQ(Windows1252ToUtf8("\x80\x81\xFF"), "\u20AC\uFFFD\u00FF");
  EXPECT_EQ(Windows1252ToUtf8("Rows"), "Rows");
}

}  // namespace
}  // namespace norvane
