#include "gui/dialog_file_chooser.hpp"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QThread>

#include "gui/qt_text.hpp"

namespace norvane::gui {

std::optional<std::string> DialogFileChooser::ChooseFile() {
  if (QThread::currentThread() == qApp->thread()) return Ask();
  std::optional<std::string> chosen;
  QMetaObject::invokeMethod(
      qApp, [this, &chosen] { chosen = Ask(); }, Qt::BlockingQueuedConnection);
  return chosen;
}

std::optional<std::string> DialogFileChooser::Ask() {
  const QString file =
      QFileDialog::getOpenFileName(parent_, QString(), QString(), FileDialogFilters());
  if (file.isEmpty()) return std::nullopt;
  return QFile::encodeName(file).toStdString();
}

QString FileDialogFilters() {
  QStringList filters;
  for (const FileFilter& f : kFileChoiceFilters) {
    filters << ToQString(f.name) + " (" + ToQString(f.pattern) + ")";
  }
  return filters.join(";;");
}

}  // namespace norvane::gui
