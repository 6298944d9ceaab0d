#include "dimse/dicom_files.hpp"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/peers.hpp"

namespace norvane {
namespace {

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string WithMarker(const std::string& marker, size_t tail = 10) {
  return std::string(128, '\0') + marker + std::string(tail, 'x');
}

class DicomFiles : public ::testing::Test {
 protected:
  testing::TempDir dir_;
};

TEST_F(DicomFiles, MarkerAtByte128MakesADicomFile) {
  WriteBytes(dir_ / "a", WithMarker("DICM"));
  WriteBytes(dir_ / "exact", WithMarker("DICM", 0));
  EXPECT_TRUE(IsDicomFile(dir_ / "a"));
  EXPECT_TRUE(IsDicomFile(dir_ / "exact")) << "132 bytes are enough";
  EXPECT_TRUE(IsDicomFile(testing::PydicomFile("CT_small.dcm")));
}

TEST_F(DicomFiles, AnythingElseIsNot) {
  WriteBytes(dir_ / "lower", WithMarker("dicm"));
  WriteBytes(dir_ / "short", WithMarker("DIC", 0));
  WriteBytes(dir_ / "shifted", std::string(127, '\0') + "DICM" + "xx");
  WriteBytes(dir_ / "empty", "");
  std::filesystem::create_directory(dir_ / "folder");
  EXPECT_FALSE(IsDicomFile(dir_ / "lower")) << "the marker is case-sensitive";
  EXPECT_FALSE(IsDicomFile(dir_ / "short"));
  EXPECT_FALSE(IsDicomFile(dir_ / "shifted"));
  EXPECT_FALSE(IsDicomFile(dir_ / "empty"));
  EXPECT_FALSE(IsDicomFile(dir_ / "missing"));
  EXPECT_FALSE(IsDicomFile(dir_ / "folder"));
  EXPECT_FALSE(IsDicomFile(testing::PydicomFile("no_meta.dcm")));
}

TEST_F(DicomFiles, AFifoIsNotADicomFileAndDoesNotBlock) {
  ASSERT_EQ(::mkfifo((dir_ / "pipe").c_str(), 0600), 0);
  EXPECT_FALSE(IsDicomFile(dir_ / "pipe"));
  std::vector<std::string> names;
  ListDicomFiles(dir_.path().string(), names);
  EXPECT_TRUE(names.empty());
}

TEST_F(DicomFiles, ListingKeepsDicomFilesInNameOrderAndSkipsTheRest) {
  WriteBytes(dir_ / "b.dcm", WithMarker("DICM"));
  WriteBytes(dir_ / "a", WithMarker("DICM"));
  WriteBytes(dir_ / "notes.txt", "no marker here");
  WriteBytes(dir_ / "fake.dcm", WithMarker("DICX"));
  std::filesystem::create_directory(dir_ / "sub.dcm");
  WriteBytes(dir_ / "sub.dcm/inner.dcm", WithMarker("DICM"));

  std::vector<std::string> names = {"kept"};
  const std::string folder = dir_.path().string() + "/";
  ListDicomFiles(folder, names);
  EXPECT_EQ(names, (std::vector<std::string>{"kept", folder + "a", folder + "b.dcm"}))
      << "appended, full paths, subfolders not entered";
}

TEST_F(DicomFiles, FolderWithoutTrailingSeparatorGetsOne) {
  WriteBytes(dir_ / "a", WithMarker("DICM"));
  std::vector<std::string> names;
  ListDicomFiles(dir_.path().string(), names);
  EXPECT_EQ(names, std::vector<std::string>{dir_.path().string() + "/a"});
}

TEST_F(DicomFiles, MissingFolderListsNothing) {
  std::vector<std::string> names;
  ListDicomFiles(dir_ / "missing/", names);
  EXPECT_TRUE(names.empty());
}

}  // namespace
}  // namespace norvane
