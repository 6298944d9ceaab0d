#pragma once

#include <string>

namespace norvane {

// A received object is written under a passing name in the storage folder before it
// is moved to its place: ".incoming-<process id>-<counter>.dcm". The leading dot keeps it
// out of the folder tree of studies. A crash while it is written can leave it (and the
// writer's own temporary file beside it, whose name starts the same way) behind.
std::string StagingPath(const std::string& storageFolder);

// Removes what a crash left behind: every passing file in the storage folder whose process
// no longer runs. A live process's files are left alone (this one's too), so several
// servers may share a folder. Returns how many files were removed.
int RemoveStagingLeftovers(const std::string& storageFolder);

}  // namespace norvane
