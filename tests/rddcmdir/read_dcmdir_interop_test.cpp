// ReadDCMDIR on pydicom's DICOMDIR samples and on a DICOMDIR made by DCMTK's dcmmkdir:
// the records come in the order pydicom's FileSet links them, with the elements dcmdump
// shows for each record.

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "rddcmdir/read_dcmdir.hpp"
#include "support/dcmdump_reference.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

using testing::DcmdumpOutput;
using testing::DumpedElement;

struct ReferenceRecord {
  int depth;  // 0 patient, 1 study, 2 series, 3 image level
  uint32_t offset;
  std::string type;
};

std::string Script() {
  return std::string(NORVANE_SOURCE_DIR) + "/tests/rddcmdir/dicomdir_reference.py";
}

std::vector<ReferenceRecord> PydicomHierarchy(const std::string& path) {
  const testing::RunResult run =
      testing::RunProgram({"/usr/bin/python3", Script(), "hierarchy", path});
  EXPECT_EQ(run.exitCode, 0) << run.output;
  std::vector<ReferenceRecord> out;
  static const std::regex kLine(R"(^(\d+) (\d+) (.+)$)");
  std::istringstream lines(run.output);
  std::string line;
  while (std::getline(lines, line)) {
    std::smatch m;
    if (std::regex_match(line, m, kLine)) {
      out.push_back({std::stoi(m[1]), static_cast<uint32_t>(std::stoul(m[2])), m[3]});
    }
  }
  return out;
}

// The records that fit their level, without the subtrees of those that do not.
std::vector<ReferenceRecord> Fitting(const std::vector<ReferenceRecord>& all) {
  static const char* const kLevelType[] = {"PATIENT", "STUDY", "SERIES"};
  std::vector<ReferenceRecord> out;
  int skipBelow = -1;  // depth of a record passed over, -1 when none
  for (const ReferenceRecord& r : all) {
    if (skipBelow >= 0 && r.depth > skipBelow) continue;
    skipBelow = -1;
    if (r.depth > 3 || (r.depth < 3 && r.type != kLevelType[r.depth])) {
      skipBelow = r.depth;
      continue;
    }
    out.push_back(r);
  }
  return out;
}

// dcmdump's elements of each directory record, by the record's offset, from its
// Directory Record Type on.
std::map<uint32_t, std::vector<const DumpedElement*>> DumpedRecords(const DcmdumpOutput& dump) {
  std::map<uint32_t, std::vector<const DumpedElement*>> out;
  std::vector<const DumpedElement*>* current = nullptr;
  bool afterType = false;
  for (const DumpedElement& e : dump.elements) {
    if (e.depth == 1 && e.group == kItemGroup && e.element == tag::kItem.element && e.itemOffset) {
      current = &out[*e.itemOffset];
      afterType = false;
      continue;
    }
    if (e.depth <= 1) current = nullptr;
    if (!current || e.pseudo) continue;
    if (e.depth == 2 && e.group == 0x0004 && e.element == 0x1430) afterType = true;
    if (afterType) current->push_back(&e);
  }
  return out;
}

std::vector<TagList> SplitAtMarkers(const TagList& list) {
  std::vector<TagList> records;
  for (const TagRecord& r : list) {
    if (r.Is(0x0004, 0x1430)) records.emplace_back();
    EXPECT_FALSE(records.empty()) << "the list does not begin with a marker";
    if (!records.empty()) records.back().push_back(r);
  }
  return records;
}

std::string Trimmed(const TagRecord& r) {
  std::string text(r.value.begin(), r.value.end());
  while (!text.empty() && (text.back() == ' ' || text.back() == '\0'))
    text.pop_back();
  return text;
}

// The record's elements after its marker against dcmdump's after the record type.
void CheckElements(const TagList& record,
                   const std::map<uint32_t, std::vector<const DumpedElement*>>& dumped,
                   uint32_t offset, bool explicitVR, bool bigEndian) {
  const auto found = dumped.find(offset);
  ASSERT_NE(found, dumped.end()) << "dcmdump shows no record at this offset";
  std::vector<const TagRecord*> ours;
  for (size_t k = 1; k < record.size(); ++k) {
    if (record[k].group != kItemGroup) ours.push_back(&record[k]);
  }
  const std::vector<const DumpedElement*>& theirs = found->second;
  ASSERT_FALSE(theirs.empty());
  ASSERT_EQ(ours.size(), theirs.size() - 1);
  for (size_t k = 0; k < ours.size(); ++k) {
    const std::string why = testing::DumpMismatch(*ours[k], *theirs[k + 1], explicitVR, bigEndian);
    EXPECT_TRUE(why.empty()) << why;
  }
}

// Reads the directory and checks every record against pydicom's order and dcmdump's
// content; returns the records.
std::vector<TagList> ExpectLikeReferences(const std::string& path, bool explicitVR,
                                          bool bigEndian) {
  TagList list;
  EXPECT_TRUE(ReadDCMDIR(path, list));
  const std::vector<TagList> records = SplitAtMarkers(list);
  const std::vector<ReferenceRecord> expected = Fitting(PydicomHierarchy(path));
  const DcmdumpOutput dump = testing::RunDcmdump(path);
  EXPECT_EQ(dump.exitCode, 0) << dump.raw.substr(0, 2000);
  const auto dumped = DumpedRecords(dump);

  EXPECT_EQ(records.size(), expected.size());
  for (size_t i = 0; i < records.size() && i < expected.size(); ++i) {
    const ReferenceRecord& ref = expected[i];
    SCOPED_TRACE("record " + std::to_string(i) + ", " + ref.type + " at offset " +
                 std::to_string(ref.offset));
    const TagRecord& marker = records[i].front();
    EXPECT_EQ(marker.VRText(), explicitVR ? "CS" : "");
    const std::string markerValue(marker.value.begin(), marker.value.end());
    switch (ref.depth) {
      case 0:
        EXPECT_EQ(markerValue, kPatientMarker);
        break;
      case 1:
        EXPECT_EQ(markerValue, kStudyMarker);
        break;
      case 2:
        EXPECT_EQ(markerValue, kSeriesMarker);
        break;
      default:
        EXPECT_EQ(Trimmed(marker), ref.type);
    }
    CheckElements(records[i], dumped, ref.offset, explicitVR, bigEndian);
  }
  return records;
}
struct SampleCase {
  const char* file;
  bool explicitVR;
  bool bigEndian;
  size_t records;  // patients, studies, series and image records together
};

void PrintTo(const SampleCase& c, std::ostream* out) {
  *out << c.file;
}

class PydicomDicomdir : public ::testing::TestWithParam<SampleCase> {};

TEST_P(PydicomDicomdir, GivesTheRecordsInHierarchyOrderWithTheirElements) {
  const SampleCase& c = GetParam();
  const std::vector<TagList> records = ExpectLikeReferences(
      testing::PydicomFile(std::string("dicomdirtests/") + c.file), c.explicitVR, c.bigEndian);
  EXPECT_EQ(records.size(), c.records);
}

INSTANTIATE_TEST_SUITE_P(Samples, PydicomDicomdir,
                         ::testing::Values(SampleCase{"DICOMDIR", true, false, 52},
                                           SampleCase{"DICOMDIR-reordered", true, false, 52},
                                           SampleCase{"DICOMDIR-nooffset", true, false, 52},
                                           SampleCase{"DICOMDIR-bigEnd", true, true, 52},
                                           SampleCase{"DICOMDIR-implicit", false, false, 52},
                                           SampleCase{"TINY_ALPHA/DICOMDIR", true, false, 53}),
                         [](const auto& info) {
                           std::string name = info.param.file;
                           for (char& ch : name) {
                             if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           }
                           return name;
                         });

TEST(PydicomDicomdirWithoutPatients, PassesOverRecordsOfTheWrongTypeWithTheirSubtrees) {
  const std::string path = testing::PydicomFile("dicomdirtests/DICOMDIR-nopatient");
  TagList list;
  ASSERT_TRUE(ReadDCMDIR(path, list));
  EXPECT_TRUE(list.empty()) << list.size() << " records";
  // dcmdump: the root records are there, typed other than PATIENT; the studies below them too.
  const DcmdumpOutput dump = testing::RunDcmdump(path);
  size_t patients = 0, studies = 0;
  for (const DumpedElement& e : dump.elements) {
    if (e.group != 0x0004 || e.element != 0x1430) continue;
    patients += e.Text() == "PATIENT";
    studies += e.Text() == "STUDY";
  }
  EXPECT_EQ(patients, 0u);
  EXPECT_EQ(studies, 6u);
}

TEST(PydicomDicomdirEmpty, IsReadWithNoRecords) {
  TagList list;
  EXPECT_TRUE(ReadDCMDIR(testing::PydicomFile("dicomdirtests/DICOMDIR-empty.dcm"), list));
  EXPECT_TRUE(list.empty());
}

TEST(DcmmkdirDicomdir, ListsEveryGeneratedFileUnderItsPatientStudyAndSeries) {
  testing::TempDir dir;
  const testing::RunResult made =
      testing::RunProgram({"/usr/bin/python3", Script(), "make-files", dir.path().string()});
  ASSERT_EQ(made.exitCode, 0) << made.output;
  const std::string dicomdir = dir / "DICOMDIR";
  const testing::RunResult mkdir =
      testing::RunProgram({"dcmmkdir", "+r", "+id", dir.path().string(), "+D", dicomdir});
  ASSERT_EQ(mkdir.exitCode, 0) << mkdir.output;

  const std::vector<TagList> records = ExpectLikeReferences(dicomdir, true, false);

  // Every generated file appears once, below the patient, study and series it belongs to.
  std::set<std::string> generated;
  std::istringstream lines(made.output);
  std::string patient, study, series, instance, file;
  while (lines >> patient >> study >> series >> instance >> file) {
    std::replace(file.begin(), file.end(), '/', '\\');
    generated.insert(patient + " " + study + " " + series + " " + instance + " " + file);
  }
  ASSERT_EQ(generated.size(), 7u) << made.output;
  std::set<std::string> listed;
  for (const TagList& r : records) {
    const std::string type = Trimmed(r.front());
    if (type == "PATIENT") patient = GetTagText(r, 0x0010, 0x0020);
    if (type == "STUDY") study = GetTagText(r, 0x0020, 0x0010);
    if (type == "SERIES") series = GetTagText(r, 0x0020, 0x0011);
    if (type == "IMAGE") {
      listed.insert(patient + " " + study + " " + series + " " + GetTagText(r, 0x0020, 0x0013) +
                    " " + GetTagText(r, 0x0004, 0x1500));
    }
  }
  EXPECT_EQ(listed, generated);
  EXPECT_EQ(records.size(), 2u + 3u + 4u + 7u);
}

}  // namespace
}  // namespace norvane
