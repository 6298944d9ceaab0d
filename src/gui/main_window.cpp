#include "gui/main_window.hpp"

#include <QDesktopServices>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "app/about_text.hpp"
#include "app/dump_operation.hpp"
#include "app/tsselect/store_syntax.hpp"
#include "gui/button_icons.hpp"
#include "gui/dialog_file_chooser.hpp"
#include "gui/qt_text.hpp"

namespace norvane::gui {
namespace {

constexpr int kButtonSize = 56;
constexpr int kIconSize = 40;

const char* const kBannerStyle =
    "QPushButton#banner { border: none; border-radius: 4px; padding: 10px; color: white;"
    " font-weight: bold; letter-spacing: 1px; background: qlineargradient(x1:0, y1:0, x2:1,"
    " y2:0, stop:0 #1f3b57, stop:0.6 #2a6f89, stop:1 #2a9d8f); }"
    "QPushButton#banner:hover { background: #2a6f89; }";

}  // namespace

MainWindow::MainWindow(ApplicationFolders folders, std::shared_ptr<FileChooser> chooser)
    : folders_(std::move(folders)) {
  setWindowTitle("- NORVANE V3.1");
  textArea_ = new QPlainTextEdit(this);
  textArea_->setObjectName("output");
  textArea_->setReadOnly(true);
  textArea_->setLineWrapMode(QPlainTextEdit::NoWrap);
  textArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  textArea_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  output_ = std::make_shared<TextAreaSink>(textArea_);
  chooser_ = chooser ? std::move(chooser) : std::make_shared<DialogFileChooser>(this);

  auto* layout = new QVBoxLayout(this);
  auto* buttonRow = new QHBoxLayout;
  layout->addLayout(buttonRow);
  layout->addWidget(textArea_, 1);
  auto* bottomRow = new QHBoxLayout;
  layout->addLayout(bottomRow);

  const auto addButton = [this](QHBoxLayout* row, const char* name, const char* hint,
                                ButtonPicture picture, auto action) {
    auto* button = new QToolButton(this);
    button->setObjectName(name);
    button->setToolTip(hint);
    button->setIcon(ButtonIcon(picture));
    button->setIconSize(QSize(kIconSize, kIconSize));
    button->setFixedSize(kButtonSize, kButtonSize);
    connect(button, &QToolButton::clicked, this, action);
    row->addWidget(button);
  };
  addButton(buttonRow, "setup", "Setup", ButtonPicture::kSetup, [this] { setup_->exec(); });
  addButton(buttonRow, "echo", "Echo - Verification", ButtonPicture::kEcho, [this] {
    StartWorker(std::make_unique<MainThread>(Operation::kEcho, WorkerContext()));
  });
  addButton(buttonRow, "store", "Store to PACS", ButtonPicture::kStore, [this] { Store(); });
  addButton(buttonRow, "query", "Query PACS", ButtonPicture::kQuery,
            [this] { Query(Operation::kFind); });
  addButton(buttonRow, "worklist", "Query WorkList", ButtonPicture::kWorklist,
            [this] { Query(Operation::kWorklist); });
  addButton(buttonRow, "print", "DICOM Print", ButtonPicture::kPrint, [this] {
    StartWorker(std::make_unique<MainThread>(Operation::kPrint, WorkerContext()));
  });
  buttonRow->addStretch(1);
  addButton(buttonRow, "dump", "Dump DICOM File", ButtonPicture::kDump, [this] { Dump(); });
  addButton(buttonRow, "about", "About", ButtonPicture::kAbout, [this] { About(); });

  auto* banner = new QPushButton("NORVANE  \u00b7  DICOM SCU for many services", this);
  banner->setObjectName("banner");
  banner->setToolTip(kMakerWebAddress);
  banner->setCursor(Qt::PointingHandCursor);
  banner->setStyleSheet(kBannerStyle);
  connect(banner, &QPushButton::clicked, this,
          [] { QDesktopServices::openUrl(QUrl(kMakerWebAddress)); });
  auto* end = new QPushButton("End Application", this);
  end->setObjectName("end");
  end->setMinimumSize(end->sizeHint().width() + 24, banner->sizeHint().height());
  connect(end, &QPushButton::clicked, this, &QWidget::close);
  bottomRow->addWidget(banner, 1);
  bottomRow->addWidget(end);

  setup_ = new SetupDialog(folders_.SettingsFile(), this);
  queryFilter_ = new QueryFilterDialog(this);
  transferSyntax_ = new TransferSyntaxDialog(this);
  resize(780, 540);
  if (!folders_.logsReady) {
    output_->WriteLine("The logs folder " + folders_.logs +
                       " cannot be created: operations are not logged.");
  }
}

MainWindow::~MainWindow() {
  output_->Detach();
}

RunnerContext MainWindow::WorkerContext() const {
  RunnerContext context;
  context.settings = setup_->settings();
  context.tls = setup_->tls();
  context.logsFolder = folders_.logs;
  context.filter = queryFilter_->filter();
  context.output = output_;
  context.fileChooser = chooser_;
  return context;
}

void MainWindow::StartWorker(std::unique_ptr<MainThread> worker) {
  const std::string name(OperationName(worker->operation()));
  if (!MainThread::Start(std::move(worker))) {
    output_->WriteLine("No thread could be started for " + name + ".");
  }
}

void MainWindow::Store() {
  auto worker = std::make_unique<MainThread>(Operation::kStore, WorkerContext());
  transferSyntax_->exec();
  worker->SetTransferSyntaxUID(StoreSyntaxUID(transferSyntax_->StoreSyntaxChoice()));
  StartWorker(std::move(worker));
}

bool MainWindow::AskQueryFilter() {
  queryFilter_->ClearFilter();
  queryFilter_->exec();
  if (!queryFilter_->filter().Unfiltered()) return true;
  return QMessageBox::warning(this, ToQString(kUnfilteredSearchCaption),
                              ToQString(kUnfilteredSearchText),
                              QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
}

void MainWindow::Query(Operation operation) {
  if (!AskQueryFilter()) return;
  StartWorker(std::make_unique<MainThread>(operation, WorkerContext()));
}

void MainWindow::Dump() {
  DumpDICOMFile(*output_, *chooser_);
}

// A plain message: no icon, one button.
void MainWindow::About() {
  QMessageBox about(QMessageBox::NoIcon, "NORVANE", ToQString(AboutText()), QMessageBox::Ok, this);
  about.exec();
}

}  // namespace norvane::gui
