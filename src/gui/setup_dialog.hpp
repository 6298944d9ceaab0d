#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <string>

#include "app/setup/settings.hpp"

namespace norvane::gui {

// "Setup": the settings record on two tabs, "Network" and "Printer". Created once; its
// creation loads the settings file. OK saves the entries to the record and the file (a
// file that cannot be written is reported, the values then apply until the program
// ends); Cancel leaves record and file alone, and the entries keep what was typed.
class SetupDialog : public QDialog {
 public:
  SetupDialog(std::string settingsFile, QWidget* parent);

  // The record the operations read.
  const Settings& settings() const { return settings_; }

  void accept() override;

 private:
  void ShowSettings();
  void TakeEntries();

  std::string settingsFile_;
  Settings settings_;
  QLineEdit* localAET_;
  QLineEdit* host_;
  QLineEdit* port_;
  QLineEdit* remoteAET_;
  QComboBox* logLevel_;
  QComboBox* filmDestination_;
  QComboBox* filmOrientation_;
  QComboBox* filmSize_;
  QComboBox* magnificationType_;
  QCheckBox* planarConfiguration_;
};

}  // namespace norvane::gui
