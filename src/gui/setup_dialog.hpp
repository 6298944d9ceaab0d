#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <string>

#include "app/setup/settings.hpp"
#include "net/tls_settings.hpp"

namespace norvane::gui {

// "Setup": the settings record on two tabs, "Network" and "Printer", and the TLS settings
// (the file beside it) on a third, "Security". Created once; its creation loads both files. OK
// saves the entries to the record and the file (a file that cannot be written is reported, the
// values then apply until the program ends); Cancel leaves record and file alone, and the entries
// keep what was typed.
class SetupDialog : public QDialog {
 public:
  SetupDialog(std::string settingsFile, QWidget* parent);

  // The record the operations read.
  const Settings& settings() const { return settings_; }
  // The TLS settings the operations use.
  const TlsSettings& tls() const { return tls_; }

  void accept() override;

 private:
  void ShowSettings();
  void TakeEntries();

  std::string settingsFile_;
  std::string tlsFile_;
  Settings settings_;
  TlsSettings tls_;
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
  QCheckBox* tlsEnabled_;
  QComboBox* tlsProfile_;
  QLineEdit* tlsCa_;
  QLineEdit* tlsCertificate_;
  QLineEdit* tlsKey_;
  QCheckBox* tlsVerifyPeer_;
};

}  // namespace norvane::gui
