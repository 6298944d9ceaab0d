// The main window against DCMTK's dcmqrscp (loaded with pydicom's dicomdirtests): ECHO and
// FIND started with the buttons and read back from the text area and the day's logs, with
// pictures of the window and its dialogs written to screenshots/ in the build folder
// (`cmake --build build --target gui_screenshots` runs just this).

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QTabWidget>
#include <filesystem>
#include <sstream>

#include "gui/window_harness.hpp"
#include "net/message_fixture.hpp"
#include "platform/date_time_format.hpp"
#include "support/cli_runs.hpp"
#include "support/query_peers.hpp"

namespace norvane {
namespace {

using Lines = std::vector<std::string>;
using testing::Type;

class WindowAgainstDcmqrscp : public ::testing::Test {
 protected:
  void SetUp() override {
    NORVANE_REQUIRE_PROGRAMS("dcmqrscp", "storescu");
    std::string problem;
    ASSERT_TRUE(scp_.Start(dir_.path().string(), {}) && scp_.LoadDicomdirTests(problem))
        << problem << scp_.Log();
  }

  // What `norvane find` prints for the same query: the window must show the same lines.
  // What the command line prints on standard output for the same query.
  Lines ToolFind() {
    const testing::StreamsResult find = testing::NorvaneStreams(
        {"find", "127.0.0.1", scp_.Port(), "--aec", testing::kQueryRetrieveTitle, "-k",
         "PatientName=Doe^A*", "-k", "StudyDate=19950101-19991231"});
    Lines lines;
    std::istringstream in(find.out);
    for (std::string line; std::getline(in, line);)
      lines.push_back(line);
    return lines;
  }

  // Writes a picture of a window and checks that it is a PNG file.
  void Save(QWidget& widget, const std::string& name) {
    const std::string folder = std::string(NORVANE_BINARY_DIR) + "/screenshots/";
    std::filesystem::create_directories(folder);
    ASSERT_TRUE(widget.grab().save(QString::fromStdString(folder + name + ".png"), "PNG"));
    const std::vector<uint8_t> png = testing::ReadFileBytes(folder + name + ".png");
    ASSERT_GT(png.size(), 1000u) << name;
    EXPECT_EQ(std::string(png.begin() + 1, png.begin() + 4), "PNG") << name;
    ++pictures_;
  }

  testing::TempDir dir_;
  testing::QueryRetrieveSCP scp_;
  testing::WindowFixture f_;
  int pictures_ = 0;
};

TEST_F(WindowAgainstDcmqrscp, EchoAndFindWriteTheirLinesAndTheDaysLogs) {
  testing::WhenModal("Setup", [&](QWidget& dialog) {
    Type(f_.Find<QLineEdit>(dialog, "port"), QString::fromStdString(scp_.Port()));
    Type(f_.Find<QLineEdit>(dialog, "remoteAET"), testing::kQueryRetrieveTitle);
    auto& logLevel = f_.Find<QComboBox>(dialog, "logLevel");
    logLevel.setCurrentIndex(logLevel.findText("PDU Level"));
    Save(dialog, "setup_network");
    f_.Find<QTabWidget>(dialog, "tabs").setCurrentIndex(1);
    Save(dialog, "setup_printer");
    QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                      Qt::LeftButton);
  });
  f_.Click("setup");

  f_.Click("echo");
  ASSERT_TRUE(f_.WaitForLastLine("ECHO OK")) << testing::Join(f_.Lines());
  f_.WaitForWorkers();
  EXPECT_EQ(f_.Lines(), Lines{"ECHO OK"});
  Save(f_.window(), "main_window_echo");

  testing::WhenModal("Query Filter", [&](QWidget& dialog) {
    QTest::keyClicks(&f_.Find<QLineEdit>(dialog, "patientName"), "Doe^A*");
    f_.Check(dialog, "from");
    f_.Check(dialog, "to");
    Type(f_.Find<QLineEdit>(dialog, "fromDate"), "19950101");
    Type(f_.Find<QLineEdit>(dialog, "toDate"), "19991231");
    Save(dialog, "query_filter");
    f_.Click(dialog, "ok");
  });
  f_.Click("query");
  ASSERT_TRUE(f_.WaitForLastLine("FIND OK")) << testing::Join(f_.Lines());
  f_.WaitForWorkers();
  EXPECT_EQ(f_.Lines(), ToolFind());
  EXPECT_EQ(f_.Lines().size(), 17u) << "the count, one study of 13 lines, the report";
  Save(f_.window(), "main_window_find");

  const std::string day = FormatDateTime("ddmmyyyy", LocalTimeNow());
  EXPECT_EQ(testing::FileNames(f_.folder("logs")), (Lines{day + "_ECHO.log", day + "_FIND.log"}));
  for (const std::string operation : {"ECHO", "FIND"}) {
    const Lines log = testing::LogTexts(f_.folder("logs/") + day + "_" + operation + ".log");
    ASSERT_GT(log.size(), 2u) << "the PDU level adds the association trace";
    EXPECT_EQ(log.front(), "Starting " + operation + " Service");
    EXPECT_EQ(log.back(), operation + " OK");
  }

  // The dialogs and message boxes that remain, closed without starting anything.
  testing::WhenModal("TransferSyntax", [&](QWidget& dialog) {
    Save(dialog, "transfer_syntax");
    QTest::keyClick(&dialog, Qt::Key_Escape);
  });
  f_.Click("store");
  testing::WhenModal("Query Filter", [&](QWidget& dialog) {
    testing::WhenModal<QMessageBox>("WARNING", [&](QWidget& box) {
      Save(box, "unfiltered_warning");
      QTest::keyClick(&box, Qt::Key_Escape);
    });
    f_.Click(dialog, "ok");
  });
  f_.Click("query");
  testing::WhenModal<QMessageBox>("NORVANE", [&](QWidget& box) {
    Save(box, "about");
    QTest::keyClick(&box, Qt::Key_Escape);
  });
  f_.Click("about");
  EXPECT_EQ(pictures_, 8);
}

}  // namespace
}  // namespace norvane
