// norvane-gui: the test application's windows.

#include <QApplication>
#include <QMessageBox>
#include <cstdlib>
#include <exception>
#include <memory>

#include "app/application_folders.hpp"
#include "app/main_thread.hpp"
#include "gui/main_window.hpp"
#include "platform/folders.hpp"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName("NORVANE");
  std::unique_ptr<norvane::gui::MainWindow> window;
  try {
    window = std::make_unique<norvane::gui::MainWindow>(
        norvane::FixApplicationFolders(norvane::CurrentDirectory()));
  } catch (const std::exception& e) {
    QMessageBox::critical(nullptr, "NORVANE", QString::fromLocal8Bit(e.what()));
    return 1;
  }
  window->show();
  const int status = QApplication::exec();
  // Nobody waits for a worker: one still talking to a slow peer ends with the process.
  if (norvane::RunningMainThreads() != 0) std::_Exit(status);
  return status;
}
