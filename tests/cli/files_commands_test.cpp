// The dump, dicomdir and meta subcommands run as a user runs them.

#include <sys/resource.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "datadec/dicom_file_reader.hpp"
#include "datadec/dicom_file_writer.hpp"
#include "datadec/element_encoding.hpp"
#include "datadec/meta_header.hpp"
#include "elements/tag_list.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

using testing::RunProgram;
using testing::RunResult;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line))
    lines.push_back(line);
  return lines;
}

RunResult Norvane(std::vector<std::string> args) {
  args.insert(args.begin(), testing::NorvaneTool());
  return RunProgram(args);
}

TagRecord Text(uint16_t group, uint16_t element, const char* vr, std::string value) {
  TagRecord r;
  r.group = group;
  r.element = element;
  r.SetVR(vr);
  r.value.assign(value.begin(), value.end());
  r.length = static_cast<uint32_t>(r.value.size());
  return r;
}

TEST(DumpCommand, PrintsDumpOkThenOneLinePerMetaAndDatasetElement) {
  const std::string file = testing::PydicomFile("CT_small.dcm");
  const RunResult run = Norvane({"dump", file});
  EXPECT_EQ(run.exitCode, 0) << run.output.substr(0, 500);
  const std::vector<std::string> lines = Lines(run.output);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "Dump OK!");
  const DicomFileContent content = DICOMFile(file);
  EXPECT_EQ(lines.size(), 1 + content.meta.size() + content.dataset.size());
  EXPECT_NE(run.output.find("\n(0028, 0010), 2, US  \"128\" - Rows\n"), std::string::npos);
  EXPECT_NE(
      run.output.find("\n(0002, 0010), 20, UI  \"1.2.840.10008.1.2.1\" - Transfer Syntax UID\n"),
      std::string::npos);
  // The name's Windows-1252 apostrophe reaches the terminal as UTF-8.
  EXPECT_NE(run.output.find("(0008, 0090), PN - Referring Physician\xE2\x80\x99s Name\n"),
            std::string::npos);
}

TEST(DumpCommand, FileThatIsNotDicomPrintsDumpFailedAndExitsWithOne) {
  testing::TempDir dir;
  const std::string text = dir / "notes.txt";
  std::ofstream(text) << "these are not DICOM bytes\n";
  for (const std::string& file : {text, testing::PydicomFile("no_meta.dcm"), dir / "missing.dcm",
                                  testing::PydicomFile("MR_truncated.dcm")}) {
    SCOPED_TRACE(file);
    const RunResult run = Norvane({"dump", file});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find("Dump Failed!\n"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("Dump OK!"), std::string::npos);
  }
  EXPECT_EQ(Norvane({"dump"}).exitCode, 2);
}

TEST(DumpCommand, DeepNestingGivesBoundedOutputAndHostileValuesAreEscaped) {
  // 100,000 sequences nested in each other (3.6 MB), with a value that would clear the
  // screen and retitle the terminal at the top.
  constexpr int kDepth = 100000;
  TagList dataset = {Text(0x0010, 0x0010, "PN", "\x1B[2J\x1B]0;owned\x07")};
  for (int i = 0; i < kDepth; ++i) {
    dataset.push_back(GenerateTag(0x0008, 0x1140, kUndefinedLength, nullptr, "SQ"));
    dataset.push_back(GenerateTag(0xFFFE, 0xE000, kUndefinedLength, nullptr, nullptr));
  }
  for (int i = 0; i < kDepth; ++i) {
    dataset.push_back(GenerateTag(0xFFFE, 0xE00D, 0, nullptr, nullptr));
    dataset.push_back(GenerateTag(0xFFFE, 0xE0DD, 0, nullptr, nullptr));
  }
  dataset.push_back(Text(0x0008, 0x103E, "LO", "after"));
  TagList meta;
  BuildMetaHeader(meta, "1.2.840.10008.5.1.4.1.1.7", "1.2.3", "1.2.840.10008.1.2.1");
  testing::TempDir dir;
  const std::string file = dir / "nested.dcm";
  ASSERT_TRUE(WriteDicomFile(file, &meta, dataset, true, ByteOrder::kLittleEndian));

  const RunResult run = Norvane({"dump", file});
  EXPECT_EQ(run.exitCode, 0) << run.output.substr(0, 300);
  EXPECT_LT(run.output.size(), 200u * 1024) << "the indent and the lines stop at 64 levels";
  EXPECT_NE(run.output.find(std::string(5 * 64, '.') +
                            "(items nested deeper than 64 levels: their elements are not shown)\n"),
            std::string::npos);
  EXPECT_NE(run.output.find("\n(0008, 103E), 5, LO  \"after\" - Series Description\n"),
            std::string::npos);
  EXPECT_EQ(run.output.find('\x1B'), std::string::npos);
  EXPECT_NE(run.output.find("\"\\x1B[2J\\x1B]0;owned\\x07\""), std::string::npos);
  rusage children{};
  ::getrusage(RUSAGE_CHILDREN, &children);
  EXPECT_LT(children.ru_maxrss, 512L * 1024) << "kB at most, of any program this test ran";
}

TEST(DicomdirCommand, PrintsOneIndentedLinePerRecord) {
  const RunResult run = Norvane({"dicomdir", testing::PydicomFile("dicomdirtests/DICOMDIR")});
  EXPECT_EQ(run.exitCode, 0) << run.output.substr(0, 500);
  const std::vector<std::string> lines = Lines(run.output);
  ASSERT_EQ(lines.size(), 2u + 6u + 13u + 31u);
  EXPECT_EQ(lines[0], "PATIENT  PatientName=Doe^Archibald  PatientID=77654033");
  EXPECT_EQ(lines[1].rfind("  STUDY  StudyDate=20010101", 0), 0u) << lines[1];
  EXPECT_EQ(lines[2].rfind("    SERIES  Modality=CR  SeriesNumber=1", 0), 0u) << lines[2];
  EXPECT_EQ(lines[3].rfind("      IMAGE  ReferencedFileID=77654033\\CR1\\6154", 0), 0u) << lines[3];

  const RunResult bad = Norvane({"dicomdir", testing::PydicomFile("CT_small.dcm")});
  EXPECT_EQ(bad.exitCode, 1);
  EXPECT_NE(bad.output.find("cannot be read as a DICOMDIR"), std::string::npos) << bad.output;
}

TEST(MetaCommand, TurnsABareDatasetIntoADicomFileWithTheGivenSyntax) {
  testing::TempDir dir;
  const TagList dataset = {
      Text(0x0008, 0x0016, "UI", std::string("1.2.840.10008.5.1.4.1.1.7\0", 26)),
      Text(0x0008, 0x0018, "UI", std::string("1.2.3.4.5\0", 10)),
      Text(0x0010, 0x0010, "", "DOE^JANE")};
  TagList implicitData = dataset;
  for (TagRecord& r : implicitData)
    r.SetVR("");
  const std::string file = dir / "bare.dcm";
  const auto bytes = EncodeTags(implicitData, false, ByteOrder::kLittleEndian).value();
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));

  const RunResult run = Norvane({"meta", file, "--ts", "implicit"});
  EXPECT_EQ(run.exitCode, 0) << run.output;
  const DicomFileContent content = DICOMFile(file);
  ASSERT_TRUE(content.Ok());
  EXPECT_FALSE(content.explicitVR);
  ASSERT_EQ(content.dataset.size(), implicitData.size());
  for (size_t i = 0; i < implicitData.size(); ++i)
    EXPECT_EQ(content.dataset[i].value, implicitData[i].value);
  ASSERT_GE(content.meta.size(), 5u);
  EXPECT_EQ(std::string(content.meta[4].value.begin(), content.meta[4].value.end()),
            std::string("1.2.840.10008.1.2\0", 18));

  // Already a DICOM file now: refused, and the file stays as it is.
  const auto before = testing::ReadFileBytes(file);
  const RunResult again = Norvane({"meta", file, "--ts", "implicit"});
  EXPECT_EQ(again.exitCode, 1);
  EXPECT_NE(again.output.find("already a DICOM file"), std::string::npos) << again.output;
  EXPECT_EQ(testing::ReadFileBytes(file), before);
}

TEST(MetaCommand, RefusesMissingOrUnknownTransferSyntaxes) {
  testing::TempDir dir;
  const std::string file = dir / "bare.dcm";
  std::ofstream(file) << "x";
  const RunResult none = Norvane({"meta", file});
  EXPECT_EQ(none.exitCode, 2);
  EXPECT_NE(none.output.find("--ts is required"), std::string::npos) << none.output;
  const RunResult unknown = Norvane({"meta", file, "--ts", "little"});
  EXPECT_EQ(unknown.exitCode, 2);
  EXPECT_NE(unknown.output.find("neither a transfer syntax UID"), std::string::npos)
      << unknown.output;
  const RunResult missing = Norvane({"meta", dir / "missing.dcm", "--ts", "1.2.840.10008.1.2.1"});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.output.find("cannot be opened"), std::string::npos) << missing.output;
}

TEST(FileCommands, HelpDescribesEachSubcommandAndExitsWithZero) {
  for (const char* command : {"dump", "dicomdir", "meta"}) {
    SCOPED_TRACE(command);
    const RunResult run = Norvane({command, "--help"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.output.rfind(std::string("usage: norvane ") + command, 0), 0u) << run.output;
  }
  const RunResult top = Norvane({"--help"});
  for (const char* command : {"dump", "dicomdir", "meta"})
    EXPECT_NE(top.output.find(std::string("  ") + command + " "), std::string::npos) << top.output;
}

}  // namespace
}  // namespace norvane
