// ReadDCMDIR on directories built byte by byte: hierarchy order, markers, records of the
// wrong level, sequences inside records, and offsets that are missing, past the end or
// going round in circles.

#include "rddcmdir/read_dcmdir.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "dicomdir_builder.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

using testing::Bytes;
using testing::DicomdirBuilder;
using testing::DirLayout;
using testing::DirRecord;
using testing::Element;
using testing::TextElement;

std::string Describe(const TagRecord& r) {
  char head[48];
  std::snprintf(head, sizeof head, "(%04X,%04X) %.2s len=%u ", r.group, r.element,
                r.HasVR() ? r.vr : "--", r.length);
  std::string value(r.value.begin(), r.value.end());
  for (char& c : value) {
    if (c < 0x20 || c > 0x7E) c = '.';
  }
  return head + value;
}

std::string Describe(const TagList& list) {
  std::string out;
  for (const TagRecord& r : list)
    out += Describe(r) + "\n";
  return out;
}

bool Same(const TagRecord& a, const TagRecord& b) {
  return a.group == b.group && a.element == b.element && a.vr[0] == b.vr[0] && a.vr[1] == b.vr[1] &&
         a.length == b.length && a.value == b.value;
}

void ExpectList(const TagList& read, const TagList& expected) {
  ASSERT_EQ(read.size(), expected.size()) << "read:\n"
                                          << Describe(read) << "expected:\n"
                                          << Describe(expected);
  for (size_t i = 0; i < read.size(); ++i) {
    EXPECT_TRUE(Same(read[i], expected[i]))
        << "record " << i << " is " << Describe(read[i]) << ", expected " << Describe(expected[i]);
  }
}

TagList Concat(std::initializer_list<TagList> parts) {
  TagList all;
  for (const TagList& p : parts)
    all.insert(all.end(), p.begin(), p.end());
  return all;
}

DirRecord Patient(std::string id, int next, int lower) {
  return {"PATIENT ",
          {TextElement(0x0010, 0x0010, "PN", "DOE^" + id), TextElement(0x0010, 0x0020, "LO", id)},
          next,
          lower};
}
DirRecord Study(std::string id, int next, int lower) {
  return {"STUDY ", {TextElement(0x0020, 0x0010, "SH", id)}, next, lower};
}
DirRecord Series(std::string number, int next, int lower) {
  return {"SERIES", {TextElement(0x0020, 0x0011, "IS", number)}, next, lower};
}
DirRecord Image(std::string file, int next, std::string type = "IMAGE ") {
  return {type, {TextElement(0x0004, 0x1500, "CS", file)}, next, -1};
}

class ReadDicomdir : public ::testing::Test {
 protected:
  std::string Write(const Bytes& bytes) {
    const std::string path = dir_ / "DICOMDIR";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
  }
  TagList Read(const Bytes& bytes, bool expectOk = true) {
    TagList list;
    EXPECT_EQ(ReadDCMDIR(Write(bytes), list), expectOk);
    return list;
  }
  testing::TempDir dir_;
};

TEST_F(ReadDicomdir, OnePatientStudySeriesAndTwoImagesInHierarchyOrder) {
  for (const bool undefinedItems : {true, false}) {
    SCOPED_TRACE(undefinedItems ? "undefined-length items" : "defined-length items");
    DicomdirBuilder dir({Patient("P1", -1, 1), Study("S1", -1, 2), Series("1", -1, 3),
                         Image("IM1     ", 4), Image("IM2     ", -1)},
                        0, DirLayout{.undefinedItems = undefinedItems});
    const TagList list = Read(dir.Build());
    ExpectList(list, Concat({dir.Expected(0, "PATIENT "), dir.Expected(1, "STUDY "),
                             dir.Expected(2, "SERIES"), dir.Expected(3, "IMAGE "),
                             dir.Expected(4, "IMAGE ")}));
  }
}

TEST_F(ReadDicomdir, SecondPatientFollowsTheWholeSubtreeOfTheFirstWhateverTheFileOrder) {
  // File order: image of patient 2, patient 2, images, series, study, patient 1, ...
  DicomdirBuilder dir({Image("B1      ", -1), Patient("P2", -1, 7), Image("A1      ", 3),
                       Image("A2      ", -1), Series("1", -1, 2), Study("S1", -1, 4),
                       Patient("P1", 1, 5), Study("S2", -1, 8), Series("9", -1, 0)},
                      6);
  const TagList list = Read(dir.Build());
  ExpectList(
      list,
      Concat({dir.Expected(6, "PATIENT "), dir.Expected(5, "STUDY "), dir.Expected(4, "SERIES"),
              dir.Expected(2, "IMAGE "), dir.Expected(3, "IMAGE "), dir.Expected(1, "PATIENT "),
              dir.Expected(7, "STUDY "), dir.Expected(8, "SERIES"), dir.Expected(0, "IMAGE ")}));
}

TEST_F(ReadDicomdir, ImageLevelRecordOfAnotherTypeKeepsItsOwnType) {
  DicomdirBuilder dir({Patient("P1", -1, 1), Study("S1", -1, 2), Series("1", -1, 3),
                       Image("SR1     ", 4, "SR DOCUMENT "), Image("PR1     ", -1, "PRESENTATION")},
                      0);
  const TagList list = Read(dir.Build());
  ExpectList(list, Concat({dir.Expected(0, "PATIENT "), dir.Expected(1, "STUDY "),
                           dir.Expected(2, "SERIES"), dir.Expected(3, "SR DOCUMENT "),
                           dir.Expected(4, "PRESENTATION")}));
}

TEST_F(ReadDicomdir, SequencesInsideRecordsAreKeptWholeAndDoNotEndTheRecord) {
  const auto sequence = [] {
    TagRecord sq = Element(0x0008, 0x1110, "SQ", {});
    sq.length = kUndefinedLength;
    TagRecord item = Element(0xFFFE, 0xE000, "", {});
    item.length = kUndefinedLength;
    return TagList{sq,
                   item,
                   TextElement(0x0008, 0x1150, "UI", std::string("1.2.3\0", 6)),
                   Element(0xFFFE, 0xE00D, "", {}),
                   item,
                   TextElement(0x0008, 0x1150, "UI", std::string("1.2.4\0", 6)),
                   Element(0xFFFE, 0xE00D, "", {}),
                   Element(0xFFFE, 0xE0DD, "", {})};
  };
  DirRecord study = Study("S1", -1, 2);
  for (const TagRecord& r : sequence())
    study.elements.push_back(r);
  study.elements.push_back(TextElement(0x0020, 0x000D, "UI", "1.2.826.1"));
  DirRecord patient = Patient("P1", -1, 1);
  for (const TagRecord& r : sequence())
    patient.elements.push_back(r);
  patient.elements.push_back(TextElement(0x0010, 0x0030, "DA", "19700101"));
  DicomdirBuilder dir({patient, study, Series("1", -1, 3), Image("IM1     ", -1)}, 0);
  const TagList list = Read(dir.Build());
  ExpectList(list, Concat({dir.Expected(0, "PATIENT "), dir.Expected(1, "STUDY "),
                           dir.Expected(2, "SERIES"), dir.Expected(3, "IMAGE ")}));
}

TEST_F(ReadDicomdir, RecordOfTheWrongTypeIsPassedOverWithEverythingBelowIt) {
  DicomdirBuilder dir({Patient("P1", 1, -1),
                       {"PRIVATE ", {}, 3, 2},
                       Study("HIDDEN", -1, -1),
                       Patient("P3", -1, 4),
                       {"TOPIC ", {}, 5, -1},
                       Study("S3", -1, -1)},
                      0);
  const TagList list = Read(dir.Build());
  ExpectList(list, Concat({dir.Expected(0, "PATIENT "), dir.Expected(3, "PATIENT "),
                           dir.Expected(5, "STUDY ")}));
}

TEST_F(ReadDicomdir, ImplicitAndBigEndianDirectoriesGiveTheSameHierarchy) {
  for (const DirLayout layout :
       {DirLayout{.explicitVR = false}, DirLayout{.explicitVR = true, .bigEndian = true}}) {
    SCOPED_TRACE(layout.bigEndian ? "big endian" : "implicit");
    DicomdirBuilder dir({Patient("P1", 4, 1), Study("S1", -1, 2), Series("1", -1, 3),
                         Image("IM1     ", -1), Patient("P2", -1, -1)},
                        0, layout);
    const TagList list = Read(dir.Build());
    ExpectList(list, Concat({dir.Expected(0, "PATIENT "), dir.Expected(1, "STUDY "),
                             dir.Expected(2, "SERIES"), dir.Expected(3, "IMAGE "),
                             dir.Expected(4, "PATIENT ")}));
  }
}

TEST_F(ReadDicomdir, MissingOffsetElementsCountAsZero) {
  // The last image has no (0004,1400): its level ends there, instead of borrowing the
  // next record's offset from further down the file.
  DirRecord last = Image("IM2     ", -1);
  last.withNext = false;
  DirRecord series = Series("1", -1, 3);
  series.withNext = false;
  DicomdirBuilder dir({Patient("P1", -1, 1), Study("S1", -1, 2), series, Image("IM1     ", 4), last,
                       Patient("P9", -1, -1)},
                      0);
  const TagList list = Read(dir.Build());
  ExpectList(list, Concat({dir.Expected(0, "PATIENT "), dir.Expected(1, "STUDY "),
                           dir.Expected(2, "SERIES"), dir.Expected(3, "IMAGE "),
                           dir.Expected(4, "IMAGE ")}));
}

TEST_F(ReadDicomdir, OffsetsPastTheEndEndTheirLevel) {
  DirRecord first = Patient("P1", 1, -1);
  first.lowerOffset = 0x7FFFFFF0;
  DirRecord second = Patient("P2", -1, -1);
  second.nextOffset = 0xFFFFFFFF;
  DicomdirBuilder dir({first, second}, 0);
  const TagList list = Read(dir.Build());
  ExpectList(list, Concat({dir.Expected(0, "PATIENT "), dir.Expected(1, "PATIENT ")}));

  DicomdirBuilder beyond({Patient("P1", -1, -1)}, 0, DirLayout{.rootOffset = 1u << 30});
  EXPECT_TRUE(Read(beyond.Build()).empty());
}

TEST_F(ReadDicomdir, OffsetsThatLoopBackEndTheLevelAndEveryRecordComesOnce) {
  // Patient 2 names patient 1 as its next; the series names itself; an image names its
  // series as its next, and the study names the patient as its lower level.
  DicomdirBuilder dir({Patient("P1", 1, 2), Patient("P2", 0, -1), Study("S1", -1, 3),
                       Series("1", 3, 4), Image("IM1     ", 3)},
                      0);
  const TagList list = Read(dir.Build());
  ExpectList(list, Concat({dir.Expected(0, "PATIENT "), dir.Expected(2, "STUDY "),
                           dir.Expected(3, "SERIES"), dir.Expected(4, "IMAGE "),
                           dir.Expected(1, "PATIENT ")}));

  DicomdirBuilder self({Patient("P1", 0, 0)}, 0);
  ExpectList(Read(self.Build()), dir.Expected(0, "PATIENT "));
}

TEST_F(ReadDicomdir, FileWithoutDicmOrRootOffsetIsRefusedWithNothingAppended) {
  DicomdirBuilder dir({Patient("P1", -1, -1)}, 0);
  Bytes noMagic = dir.Build();
  noMagic[128] = 'X';
  TagList list = {TextElement(0x0010, 0x0010, "PN", "KEEP")};
  EXPECT_FALSE(ReadDCMDIR(Write(noMagic), list));
  EXPECT_EQ(list.size(), 1u);

  DicomdirBuilder noRoot({Patient("P1", -1, -1)}, 0, DirLayout{.withRoot = false});
  EXPECT_TRUE(Read(noRoot.Build(), false).empty());
  EXPECT_FALSE(ReadDCMDIR(dir_ / "missing", list));
  EXPECT_FALSE(ReadDCMDIR(dir_.path().string(), list));
  EXPECT_EQ(list.size(), 1u);

  // A root offset of 0: a directory without records.
  DicomdirBuilder empty({Patient("P1", -1, -1)}, 0, DirLayout{.rootOffset = 0});
  EXPECT_TRUE(Read(empty.Build()).empty());
}

TEST_F(ReadDicomdir, CutAndDamagedFilesEndCleanly) {
  DicomdirBuilder dir({Patient("P1", 4, 1), Study("S1", -1, 2), Series("1", -1, 3),
                       Image("IM1     ", -1), Patient("P2", -1, -1)},
                      0);
  const Bytes whole = dir.Build();
  const TagList full = Read(whole);
  for (size_t size = 0; size < whole.size(); ++size) {
    TagList list;
    const Bytes cut(whole.begin(), whole.begin() + size);
    const bool ok = ReadDCMDIR(cut, list);
    if (!ok) {
      ASSERT_TRUE(list.empty()) << "cut at " << size;
    }
    ASSERT_LE(list.size(), full.size()) << "cut at " << size;
  }
  std::mt19937 random(20240521);
  for (int round = 0; round < 2000; ++round) {
    Bytes damaged = whole;
    for (int flips = 0; flips < 4; ++flips) {
      damaged[132 + random() % (damaged.size() - 132)] = static_cast<uint8_t>(random());
    }
    TagList list;
    ReadDCMDIR(damaged, list);
    for (const TagRecord& r : list)
      ASSERT_EQ(r.value.size(), r.HasValue() ? r.length : 0u);
  }
}

}  // namespace
}  // namespace norvane
