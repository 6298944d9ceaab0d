#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <optional>
#include <string>

#include "app/file_chooser.hpp"

namespace norvane::gui {

// The file-open dialog, shown on the window's thread whichever thread asks; a worker
// waits for the operator's answer, the window does not wait for the worker.
class DialogFileChooser : public FileChooser {
 public:
  explicit DialogFileChooser(QWidget* parent) : parent_(parent) {}
  std::optional<std::string> ChooseFile() override;

 private:
  std::optional<std::string> Ask();

  QPointer<QWidget> parent_;
};

// "All Files (*);;DICOM Files (*.dcm)": the choice's filters as the dialog takes them.
QString FileDialogFilters();

}  // namespace norvane::gui
