#include "gui/setup_dialog.hpp"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QMessageBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/setup/tls_settings_file.hpp"
#include "gui/qt_text.hpp"

namespace norvane::gui {
namespace {

QLineEdit* Entry(const char* name, size_t maxLength, QWidget* parent) {
  auto* entry = new QLineEdit(parent);
  entry->setObjectName(name);
  entry->setMaxLength(static_cast<int>(maxLength));
  entry->setMinimumWidth(200);
  return entry;
}

// The profiles in the order the Security tab lists them.
constexpr TlsProfile kProfiles[] = {TlsProfile::kBcp195NonDowngrading, TlsProfile::kBcp195,
                                    TlsProfile::kBcp195Extended};
constexpr int kLongestPath = 4096;

QCheckBox* Check(const char* name, const char* text, QWidget* parent) {
  auto* check = new QCheckBox(text, parent);
  check->setObjectName(name);
  return check;
}

QComboBox* List(const char* name, std::span<const std::string_view> entries, QWidget* parent) {
  auto* list = new QComboBox(parent);
  list->setObjectName(name);
  for (std::string_view entry : entries)
    list->addItem(ToQString(entry));
  return list;
}

}  // namespace

SetupDialog::SetupDialog(std::string settingsFile, QWidget* parent)
    : QDialog(parent),
      settingsFile_(std::move(settingsFile)),
      tlsFile_(TlsSettingsPathBeside(settingsFile_)) {
  setWindowTitle("Setup");
  auto* tabs = new QTabWidget(this);
  tabs->setObjectName("tabs");

  auto* network = new QWidget(tabs);
  auto* networkForm = new QFormLayout(network);
  localAET_ = Entry("localAET", Settings::kMaxTitleLength, network);
  host_ = Entry("host", Settings::kMaxHostLength, network);
  port_ = Entry("port", Settings::kMaxPortLength, network);
  remoteAET_ = Entry("remoteAET", Settings::kMaxTitleLength, network);
  logLevel_ = List("logLevel", LogLevelEntries(), network);
  logLevel_->setPlaceholderText("LOG level");
  networkForm->addRow("Local AET:", localAET_);
  networkForm->addRow("Remote IP Address:", host_);
  networkForm->addRow("Remote Port Number:", port_);
  networkForm->addRow("Remote AET:", remoteAET_);
  networkForm->addRow("LOG level:", logLevel_);
  tabs->addTab(network, "Network");

  auto* printer = new QWidget(tabs);
  auto* printerForm = new QFormLayout(printer);
  filmDestination_ = List("filmDestination", FilmDestinationEntries(), printer);
  filmOrientation_ = List("filmOrientation", FilmOrientationEntries(), printer);
  filmSize_ = List("filmSize", FilmSizeEntries(), printer);
  magnificationType_ = List("magnificationType", MagnificationTypeEntries(), printer);
  planarConfiguration_ = new QCheckBox("Planar Configuration", printer);
  planarConfiguration_->setObjectName("planarConfiguration");
  printerForm->addRow("Film Destination:", filmDestination_);
  printerForm->addRow("Film Orientation:", filmOrientation_);
  printerForm->addRow("Film Size:", filmSize_);
  printerForm->addRow("Magnification Type:", magnificationType_);
  printerForm->addRow(planarConfiguration_);
  tabs->addTab(printer, "Printer");

  auto* security = new QWidget(tabs);
  auto* securityForm = new QFormLayout(security);
  tlsEnabled_ = Check("tlsEnabled", "Use TLS (DICOM secure transport)", security);
  tlsProfile_ = new QComboBox(security);
  tlsProfile_->setObjectName("tlsProfile");
  for (const TlsProfile profile : kProfiles)
    tlsProfile_->addItem(ToQString(TlsProfileName(profile)));
  tlsCa_ = Entry("tlsCa", kLongestPath, security);
  tlsCa_->setPlaceholderText("the system's trusted certificates");
  tlsCertificate_ = Entry("tlsCertificate", kLongestPath, security);
  tlsCertificate_->setPlaceholderText("none");
  tlsKey_ = Entry("tlsKey", kLongestPath, security);
  tlsVerifyPeer_ = Check("tlsVerifyPeer", "Verify the peer's certificate and host name", security);
  securityForm->addRow(tlsEnabled_);
  securityForm->addRow("Profile:", tlsProfile_);
  securityForm->addRow("Trusted certificates (PEM):", tlsCa_);
  securityForm->addRow("Own certificate (PEM):", tlsCertificate_);
  securityForm->addRow("Own private key (PEM):", tlsKey_);
  securityForm->addRow(tlsVerifyPeer_);
  tabs->addTab(security, "Security");

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs);
  layout->addWidget(buttons);

  // Without a settings file the record keeps the initial values: nothing is reported and
  // nothing is written before OK.
  settings_.Load(settingsFile_);
  tls_ = LoadTlsSettings(tlsFile_);
  ShowSettings();
}

void SetupDialog::ShowSettings() {
  localAET_->setText(ToQString(settings_.localAET()));
  host_->setText(ToQString(settings_.host()));
  port_->setText(ToQString(settings_.port()));
  remoteAET_->setText(ToQString(settings_.remoteAET()));
  planarConfiguration_->setChecked(settings_.planarConfiguration());
  // A stored position outside a list leaves it without a selection, as -1 does.
  const auto select = [](QComboBox* list, int32_t position) {
    list->setCurrentIndex(position >= 0 && position < list->count() ? position : -1);
  };
  select(logLevel_, settings_.logLevel() - 1);
  select(filmDestination_, settings_.filmDestination());
  select(filmOrientation_, settings_.filmOrientation());
  select(filmSize_, settings_.filmSize());
  select(magnificationType_, settings_.magnificationType());
  tlsEnabled_->setChecked(tls_.enabled);
  for (int i = 0; i < tlsProfile_->count(); ++i) {
    if (kProfiles[i] == tls_.profile) tlsProfile_->setCurrentIndex(i);
  }
  tlsCa_->setText(ToQString(tls_.caFile));
  tlsCertificate_->setText(ToQString(tls_.certificateFile));
  tlsKey_->setText(ToQString(tls_.keyFile));
  tlsVerifyPeer_->setChecked(tls_.verifyPeer);
}

void SetupDialog::TakeEntries() {
  settings_.setLocalAET(ToStdString(localAET_->text()));
  settings_.setHost(ToStdString(host_->text()));
  settings_.setPort(ToStdString(port_->text()));
  settings_.setRemoteAET(ToStdString(remoteAET_->text()));
  settings_.setLogLevel(logLevel_->currentIndex() + 1);
  settings_.setFilmDestination(filmDestination_->currentIndex());
  settings_.setFilmOrientation(filmOrientation_->currentIndex());
  settings_.setFilmSize(filmSize_->currentIndex());
  settings_.setMagnificationType(magnificationType_->currentIndex());
  settings_.setPlanarConfiguration(planarConfiguration_->isChecked());
  tls_.enabled = tlsEnabled_->isChecked();
  tls_.profile = kProfiles[std::max(tlsProfile_->currentIndex(), 0)];
  tls_.caFile = ToStdString(tlsCa_->text());
  tls_.certificateFile = ToStdString(tlsCertificate_->text());
  tls_.keyFile = ToStdString(tlsKey_->text());
  tls_.verifyPeer = tlsVerifyPeer_->isChecked();
}

void SetupDialog::accept() {
  TakeEntries();
  SettingsSaveResult saved = settings_.Save(settingsFile_);
  if (saved) saved = SaveTlsSettings(tlsFile_, tls_);
  if (!saved) {
    QMessageBox::warning(this, "Setup",
                         "The settings could not be saved: " + ToQString(saved.reason) +
                             "\nThey apply until the program ends.");
  }
  QDialog::accept();
}

}  // namespace norvane::gui
