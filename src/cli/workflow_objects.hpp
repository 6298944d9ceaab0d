#pragma once

// The objects norvane workflow stores: copies of the given files, or small generated
// secondary-capture images, carrying the worklist item's patient, study and accession
// attributes, one new series and new instance UIDs, written into a scratch folder.

#include <string>
#include <vector>

#include "dimse/worklist_item.hpp"
#include "net/service_result.hpp"

namespace norvane::cli {

// A folder under the system's temporary folder, removed with its files when destroyed.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  // Empty when it could not be made.
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

struct [[nodiscard]] WorkflowObjects : ServiceResult {
  std::vector<std::string> files;  // in the scratch folder, in the order given
};

// Writes the objects into `folder`: each file of `sources` with the item's attributes and
// new Series and SOP Instance UIDs, or `generated` secondary-capture images when there are
// no sources. kLocal, naming the file, when one cannot be read or written.
WorkflowObjects PrepareWorkflowObjects(const TWorklistItem& item,
                                       const std::vector<std::string>& sources, size_t generated,
                                       const std::string& folder);

}  // namespace norvane::cli
