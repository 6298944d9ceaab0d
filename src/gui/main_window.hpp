#pragma once

#include <QPlainTextEdit>
#include <QWidget>
#include <memory>

#include "app/application_folders.hpp"
#include "app/file_chooser.hpp"
#include "app/main_thread.hpp"
#include "gui/query_filter_dialog.hpp"
#include "gui/setup_dialog.hpp"
#include "gui/text_area_sink.hpp"
#include "gui/transfer_syntax_dialog.hpp"

namespace norvane::gui {

// The maker's web address, opened by the banner.
inline constexpr const char* kMakerWebAddress = "https://www.dicomstandard.org/";

// The main window: a row of buttons, one per service (each network service runs on a
// worker of its own), the text area every operation writes to, the banner and "End
// Application". It creates the setup, query filter and transfer syntax dialogs.
class MainWindow : public QWidget {
 public:
  // `folders` fixes where the settings file and the logs are; `chooser` asks for files
  // (the file-open dialog when none is given).
  explicit MainWindow(ApplicationFolders folders, std::shared_ptr<FileChooser> chooser = nullptr);
  ~MainWindow() override;

  SetupDialog* setupDialog() const { return setup_; }
  QueryFilterDialog* queryFilterDialog() const { return queryFilter_; }
  TransferSyntaxDialog* transferSyntaxDialog() const { return transferSyntax_; }
  QPlainTextEdit* textArea() const { return textArea_; }

 private:
  void AddButtons();
  RunnerContext WorkerContext() const;
  void StartWorker(std::unique_ptr<MainThread> worker);
  void Store();
  // Asks for the filters and confirms a search without any; false when abandoned.
  bool AskQueryFilter();
  void Query(Operation operation);
  void Dump();
  void About();

  ApplicationFolders folders_;
  QPlainTextEdit* textArea_;
  std::shared_ptr<TextAreaSink> output_;
  std::shared_ptr<FileChooser> chooser_;
  SetupDialog* setup_;
  QueryFilterDialog* queryFilter_;
  TransferSyntaxDialog* transferSyntax_;
};

}  // namespace norvane::gui
