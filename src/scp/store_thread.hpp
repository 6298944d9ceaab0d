#pragma once

#include <cstdint>
#include <string>

#include "database/database_index.hpp"
#include "elements/tag_record.hpp"
#include "scp/incoming_file.hpp"

namespace norvane {

// What became of one received object.
struct StoreWorkOutcome {
  uint16_t status = 0;         // the C-STORE-RSP status: success, out of resources, or
                               // cannot understand (UIDs that cannot name a file, or
                               // longer than 64 characters)
  std::string filePath;        // where the object is stored (or was to be stored)
  std::string sopClassUID;     // (0008,0016)
  std::string sopInstanceUID;  // (0008,0018)
  std::string transferSyntax;  // the file's, which is the one the object arrived in
  IndexResult index = IndexResult::kRecorded;
  bool replaced = false;  // a file of the same SOP Instance UID was there and is replaced
  std::string problem;    // why the object was not stored; empty when it was
};

// The store work of one received object: names, indexes and writes its file. The object's
// folder is storage folder + Study Instance UID + "/" + Series Instance UID, its file that
// folder + "/" + SOP Instance UID + ".dcm", and the database index is kept under the
// storage folder itself, so that index and files always agree.
//
// The file is written whole under a passing name in the storage folder first
// (StagingPath; its pixels may be there already, see IncomingFile), then moved to its
// place, and only then indexed: a reader of the index never meets a line for a missing file. A
// failed write leaves neither file nor line; a failed index update removes the new file again. An
// object sent again replaces its file and adds no line; one whose file was placed but whose lines
// were lost to a crash gets them when it comes again. The meta header and the data set follow the
// transfer syntax the object arrived in; values are written as received (encapsulated pixel data
// stays as it came). UIDs longer than 64 characters are refused, never cut.
//
// It runs on the thread that received the object, because the C-STORE-RSP carries its
// outcome. Stores of the whole process are serialised around the move into place and the
// index update, so two copies of one object never both add an image line.
class StoreThread {
 public:
  // `dataset` is the received data set, decoded in `transferSyntax`; the worker owns it.
  // `incoming`, when given, is the file its pixels were received into; the worker
  // completes and places it.
  StoreThread(std::string storageFolder, TagList dataset, std::string transferSyntax,
              IncomingFile* incoming = nullptr);

  StoreWorkOutcome Run();

 private:
  std::string storageFolder_;
  TagList dataset_;
  std::string transferSyntax_;
  IncomingFile* incoming_;
};

}  // namespace norvane
