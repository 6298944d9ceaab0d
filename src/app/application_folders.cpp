#include "app/application_folders.hpp"

#include "platform/folders.hpp"

namespace norvane {

ApplicationFolders FixApplicationFolders(const std::string& applicationFolder) {
  ApplicationFolders folders;
  folders.application = WithTrailingSeparator(applicationFolder);
  folders.logs = folders.application + "logs/";
  folders.logsReady = ForceDirectories(folders.logs) && DirectoryExists(folders.logs);
  return folders;
}

}  // namespace norvane
