#pragma once

#include <string>

#include "app/setup/settings.hpp"

namespace norvane {

// The folders of one run of the test application: the application folder (the current
// directory at start-up), the settings file in it and the "logs/" folder beside it.
struct ApplicationFolders {
  std::string application;  // with one trailing '/'
  std::string logs;         // application + "logs/", with one trailing '/'
  bool logsReady = false;   // the logs folder exists: operations can log

  std::string SettingsFile() const { return application + std::string(kSettingsFileName); }
};

// Fixes the folders for `applicationFolder` and creates the logs folder with all its
// missing levels.
ApplicationFolders FixApplicationFolders(const std::string& applicationFolder);

}  // namespace norvane
