// The main window against DCMTK's dcmqrscp (loaded with pydicom's dicomdirtests): ECHO and
// FIND started with the buttons, read back from the text area and the day's logs; and
// pictures of the windows for a person to look at.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QTabWidget>
#include <filesystem>

#include "gui/window_harness.hpp"
#include "net/message_fixture.hpp"
#include "platform/date_time_format.hpp"
#include "support/query_peers.hpp"

namespace norvane {
namespace {

using Lines = std::vector<std::string>;

const Lines kArchibaldFind = {
    "No studies: 1",
    "",
    "PatientName: Doe^Archibald ",
    "PatientID: 77654033",
    "PatientSex: ",
    "PatientBD: ",
    "StudyID: 2 ",
    "StudyInstanceUID: 1.3.6.1.4.1.5962.1.1.0.0.0.1196530851.28319.0.1",
    "StudyDate: 19950903",
    "StudyTime: 173032",
    "StudyDescription: CT, HEAD/BRAIN WO CONTRAST",
    "Modalities: ",
    "InstitutionName: ",
    "AccessionNumber: 2 ",
    "PhysiciansName: ",
    "",
    "FIND OK",
};

void Type(QLineEdit& entry, const QString& text) {
  entry.clear();
  QTest::keyClicks(&entry, text);
}

void Press(QWidget& dialog, QDialogButtonBox::StandardButton button) {
  QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(button), Qt::LeftButton);
}

// A window whose settings name the dcmqrscp of the suite.
class WindowAgainstDcmqrscp : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!testing::HaveProgram("dcmqrscp") || !testing::HaveProgram("storescu")) return;
    dir_ = std::make_unique<testing::TempDir>();
    scp_ = std::make_unique<testing::QueryRetrieveSCP>();
    ready_ = scp_->Start(dir_->path().string(), {}) && scp_->LoadDicomdirTests(problem_);
    if (!ready_) problem_ += scp_->Log();
  }
  static void TearDownTestSuite() {
    scp_.reset();
    dir_.reset();
  }
  void SetUp() override {
    if (!ready_) GTEST_SKIP() << "dcmqrscp not available: " << problem_;
  }

  // Setup: the peer's port and title, "PDU Level" logging; `picture` sees both tabs.
  void ConfigurePeer(const std::function<void(QWidget&, QTabWidget&)>& picture = {}) {
    testing::WhenModal("Setup", [&](QWidget& dialog) {
      Type(f_.Find<QLineEdit>(dialog, "port"), QString::fromStdString(scp_->Port()));
      Type(f_.Find<QLineEdit>(dialog, "remoteAET"), testing::kQueryRetrieveTitle);
      Type(f_.Find<QLineEdit>(dialog, "localAET"), "NORVANEGUI");
      auto& logLevel = f_.Find<QComboBox>(dialog, "logLevel");
      logLevel.setCurrentIndex(logLevel.findText("PDU Level"));
      if (picture) picture(dialog, f_.Find<QTabWidget>(dialog, "tabs"));
      Press(dialog, QDialogButtonBox::Ok);
    });
    f_.Click("setup");
  }

  void Echo() {
    f_.Click("echo");
    EXPECT_TRUE(f_.WaitForLastLine("ECHO OK")) << testing::Join(f_.Lines());
    f_.WaitForWorkers();
  }

  // Query PACS for Doe^A* between 1995 and 1999.
  void Find(const std::function<void(QWidget&)>& picture = {}) {
    testing::WhenModal("Query Filter", [&](QWidget& dialog) {
      QTest::keyClicks(&f_.Find<QLineEdit>(dialog, "patientName"), "Doe^A*");
      f_.Check(dialog, "from");
      f_.Check(dialog, "to");
      Type(f_.Find<QLineEdit>(dialog, "fromDate"), "19950101");
      Type(f_.Find<QLineEdit>(dialog, "toDate"), "19991231");
      if (picture) picture(dialog);
      QTest::mouseClick(&f_.Find(dialog, "ok"), Qt::LeftButton);
    });
    f_.Click("query");
    EXPECT_TRUE(f_.WaitForLastLine("FIND OK")) << testing::Join(f_.Lines());
    f_.WaitForWorkers();
  }

  static inline std::unique_ptr<testing::TempDir> dir_;
  static inline std::unique_ptr<testing::QueryRetrieveSCP> scp_;
  static inline bool ready_ = false;
  static inline std::string problem_;
  testing::WindowFixture f_;
};

TEST_F(WindowAgainstDcmqrscp, EchoAndFindWriteTheirLinesAndTheDaysLogs) {
  ConfigurePeer();
  Echo();
  EXPECT_EQ(f_.Lines(), Lines{"ECHO OK"});
  Find();
  EXPECT_EQ(f_.Lines(), kArchibaldFind);

  const std::string day = FormatDateTime("ddmmyyyy", LocalTimeNow());
  EXPECT_EQ(testing::FileNames(f_.folder("logs")), (Lines{day + "_ECHO.log", day + "_FIND.log"}));
  for (const char* operation : {"ECHO", "FIND"}) {
    const Lines log = testing::LogTexts(f_.folder("logs/") + day + "_" + operation + ".log");
    ASSERT_GT(log.size(), 2u) << "the PDU level adds the association trace";
    EXPECT_EQ(log.front(), std::string("Starting ") + operation + " Service");
    EXPECT_EQ(log.back(), std::string(operation) + " OK");
  }
}

// Writes the pictures to screenshots/ in the build folder (`cmake --build build --target
// gui_screenshots` runs just this).
class Screenshots : public WindowAgainstDcmqrscp {
 protected:
  static std::string Picture(const std::string& name) {
    const std::string folder = std::string(NORVANE_BINARY_DIR) + "/screenshots/";
    std::filesystem::create_directories(folder);
    return folder + name + ".png";
  }
  void Save(QWidget& widget, const std::string& name) {
    const std::string path = Picture(name);
    ASSERT_TRUE(widget.grab().save(QString::fromStdString(path), "PNG")) << path;
    const std::vector<uint8_t> png = testing::ReadFileBytes(path);
    ASSERT_GT(png.size(), 1000u) << path;
    EXPECT_EQ(std::string(png.begin() + 1, png.begin() + 4), "PNG") << path;
    written_.push_back(name);
  }
  Lines written_;
};

TEST_F(Screenshots, MainWindowAfterEchoAndFindAndEveryDialog) {
  ConfigurePeer([&](QWidget& dialog, QTabWidget& tabs) {
    Save(dialog, "setup_network");
    tabs.setCurrentIndex(1);
    Save(dialog, "setup_printer");
  });
  Echo();
  Save(f_.window(), "main_window_echo");
  Find([&](QWidget& dialog) { Save(dialog, "query_filter"); });
  Save(f_.window(), "main_window_find");

  testing::WhenModal("TransferSyntax", [&](QWidget& dialog) {
    Save(dialog, "transfer_syntax");
    QTest::keyClick(&dialog, Qt::Key_Escape);
  });
  f_.Click("store");
  f_.WaitForWorkers();
  testing::WhenModal("Query Filter", [&](QWidget& dialog) {
    testing::WhenModal<QMessageBox>("WARNING", [&](QWidget& box) {
      Save(box, "unfiltered_warning");
      QTest::mouseClick(static_cast<QMessageBox&>(box).button(QMessageBox::Cancel), Qt::LeftButton);
    });
    QTest::mouseClick(&f_.Find(dialog, "ok"), Qt::LeftButton);
  });
  f_.Click("query");
  testing::WhenModal<QMessageBox>("NORVANE", [&](QWidget& box) {
    Save(box, "about");
    QTest::mouseClick(static_cast<QMessageBox&>(box).button(QMessageBox::Ok), Qt::LeftButton);
  });
  f_.Click("about");
  EXPECT_EQ(written_.size(), 8u) << testing::Join(written_);
}

}  // namespace
}  // namespace norvane
