// "Dump DICOM File" writes what `norvane dump` prints, line for line.

#include "app/dump_operation.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "support/peers.hpp"
#include "support/runner_fakes.hpp"

namespace norvane {
namespace {

std::vector<std::string> ToolLines(const std::string& file) {
  const testing::RunResult dump = testing::RunProgram({testing::NorvaneTool(), "dump", file});
  std::vector<std::string> lines;
  std::istringstream in(dump.output);
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

TEST(DumpOperation, WritesTheDumpOfTheChosenFile) {
  const std::string ct = testing::PydicomFile("CT_small.dcm");
  const struct {
    std::optional<std::string> file;
    std::vector<std::string> lines;
  } cases[] = {
      {ct, ToolLines(ct)},
      {testing::PydicomFile("README.txt"), {"Dump Failed!"}},
      {std::nullopt, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file.value_or("(cancelled)"));
    testing::CollectingSink sink;
    sink.WriteLine("earlier output");
    testing::FixedChooser chooser(c.file);
    DumpDICOMFile(sink, chooser);
    EXPECT_EQ(sink.clears(), 1);
    EXPECT_EQ(sink.lines(), c.lines);
  }
  EXPECT_GT(ToolLines(ct).size(), 20u);
  EXPECT_EQ(ToolLines(ct).front(), "Dump OK!");
}

}  // namespace
}  // namespace norvane
