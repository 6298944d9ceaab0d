#pragma once

// The catalogue of the objects a storage folder holds, as its index names them: the study
// index "KPStudy.dir" of the root, the "Series.dir" of each study folder and the
// "Image.dir" of each series folder. Query and retrieval services select from it.

#include <optional>
#include <string>
#include <vector>

#include "elements/tag_record.hpp"

namespace norvane {

// Unique keys that select stored objects: at each level a list of values, any of which
// matches; an empty list matches everything of its level. A patient is selected by the
// Patient ID of the study index, which the first object of each study wrote.
struct InstanceKeys {
  std::vector<std::string> patientIDs;
  std::vector<std::string> studyInstanceUIDs;
  std::vector<std::string> seriesInstanceUIDs;
  std::vector<std::string> sopInstanceUIDs;
};

// The index as a tree, without reading any object's file. Folders end in '/'.
struct IndexedSeries {
  std::string seriesInstanceUID;
  std::string folder;
  std::vector<std::string> sopInstanceUIDs;  // in index order, each once
};
struct IndexedStudy {
  std::string studyInstanceUID;
  std::string folder;
  std::vector<IndexedSeries> series;  // in index order, each once
};

// The studies, series and instances the index under `root` names and `keys` select, in
// index order. A line whose UID cannot name a folder or file inside the root (a damaged
// or foreign index) is passed over; a missing or unreadable index file names nothing. A
// series without a selected instance, and a study without such a series, are left out.
std::vector<IndexedStudy> ReadStoredCatalogue(const std::string& root, const InstanceKeys& keys);

// The file of an indexed instance: its UID + ".dcm" in the series folder.
std::string StoredFilePath(const IndexedSeries& series, const std::string& sopInstanceUID);

// One stored object with what a retrieval needs to send it.
struct StoredInstance {
  std::string filePath;
  std::string studyInstanceUID;
  std::string seriesInstanceUID;
  std::string sopInstanceUID;
  std::string sopClassUID;     // (0008,0016), else the meta header's (0002,0002)
  std::string transferSyntax;  // the meta header's (0002,0010)
};

// Reads the header of an indexed instance's file (every element before the pixel data,
// meta group included) into `header` when it is given. Nothing when the file is missing,
// is no DICOM file, or has no transfer syntax or SOP class.
std::optional<StoredInstance> ReadStoredInstance(const IndexedStudy& study,
                                                 const IndexedSeries& series,
                                                 const std::string& sopInstanceUID,
                                                 TagList* header = nullptr);

// Every stored object `keys` select, in index order, and the files the index names but
// that cannot be read.
struct StoredInstances {
  std::vector<StoredInstance> instances;
  std::vector<std::string> unreadableFiles;
};
StoredInstances ListStoredInstances(const std::string& root, const InstanceKeys& keys);

}  // namespace norvane
