// The main window and its dialogs driven with the mouse and keyboard on the offscreen
// platform: what they show, what they set, and what the window starts.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QTabWidget>
#include <filesystem>

#include "gui/window_harness.hpp"
#include "platform/date_time_format.hpp"
#include "support/query_peers.hpp"

namespace norvane {
namespace {

using Lines = std::vector<std::string>;
using testing::Type;

const std::string kFailure = " failed to connect to: remote (127.0.0.1:104)";

void Press(QWidget& dialog, QDialogButtonBox::StandardButton button) {
  QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(button), Qt::LeftButton);
}

TEST(MainWindow, ShowsTheCaptionTheButtonHintsAboutAndDump) {
  testing::WindowFixture f(testing::PydicomFile("CT_small.dcm"));
  EXPECT_EQ(f.window().windowTitle(), "- NORVANE V3.1");
  int left = -1;
  for (const auto& [name, hint] : {std::pair{"setup", "Setup"},
                                   {"echo", "Echo - Verification"},
                                   {"store", "Store to PACS"},
                                   {"query", "Query PACS"},
                                   {"worklist", "Query WorkList"},
                                   {"print", "DICOM Print"},
                                   {"dump", "Dump DICOM File"},
                                   {"about", "About"}}) {
    QWidget& button = f.Find(f.window(), name);
    EXPECT_EQ(button.toolTip(), hint);
    EXPECT_GT(button.x(), left) << name << " out of order";
    left = button.x();
  }
  QString about;
  testing::AnswerMessageBox("NORVANE", QMessageBox::Ok, &about);
  f.Click("about");
  EXPECT_TRUE(
      about.startsWith("Norvane V3.1\n\rVADEZEZO Version: 2.64\n\r"
                       "DICOM SCU for many services\n\r\n\r"))
      << about.toStdString();
  f.Click("dump");
  ASSERT_TRUE(QTest::qWaitFor([&] { return f.Lines().size() > 100; }, 5000));
  EXPECT_EQ(f.Lines().front(), "Dump OK!");
  f.Click("end");
  EXPECT_FALSE(f.window().isVisible());
}

TEST(SetupDialog, FirstRunShowsTheInitialValuesOkSavesCancelKeepsAndFailuresAreReported) {
  testing::WindowFixture f;
  testing::WhenModal("Setup", [&](QWidget& dialog) {
    auto& tabs = f.Find<QTabWidget>(dialog, "tabs");
    EXPECT_EQ(tabs.tabText(0) + " " + tabs.tabText(1), "Network Printer");
    for (const auto& [name, text] : {std::pair{"localAET", "local"},
                                     {"host", "127.0.0.1"},
                                     {"port", "104"},
                                     {"remoteAET", "remote"}}) {
      EXPECT_EQ(f.Find<QLineEdit>(dialog, name).text(), text);
    }
    auto& logLevel = f.Find<QComboBox>(dialog, "logLevel");
    EXPECT_EQ(logLevel.currentIndex(), -1);
    EXPECT_EQ(logLevel.placeholderText(), "LOG level");
    for (const char* list : {"filmDestination", "filmOrientation", "filmSize", "magnificationType"})
      EXPECT_EQ(f.Find<QComboBox>(dialog, list).currentIndex(), 0) << list;
    Type(f.Find<QLineEdit>(dialog, "host"), "pacs.example");
    logLevel.setCurrentIndex(logLevel.findText("Socket Level"));
    tabs.setCurrentIndex(1);
    f.Find<QComboBox>(dialog, "filmSize").setCurrentIndex(-1);
    f.Check(dialog, "planarConfiguration");
    Press(dialog, QDialogButtonBox::Ok);
  });
  f.Click("setup");
  const std::vector<uint8_t> file = testing::ReadFileBytes(f.folder("testscu.cfg"));
  ASSERT_EQ(file.size(), 440u);
  Settings saved;
  ASSERT_TRUE(saved.Load(f.folder("testscu.cfg")));
  EXPECT_EQ(saved.record(), f.window().setupDialog()->settings().record());
  EXPECT_EQ(saved.host() + " " + std::to_string(saved.logLevel()), "pacs.example 3");
  EXPECT_EQ(saved.filmSize(), -1);
  EXPECT_TRUE(saved.planarConfiguration());

  testing::WhenModal("Setup", [&](QWidget& dialog) {
    Type(f.Find<QLineEdit>(dialog, "port"), "11112");
    Press(dialog, QDialogButtonBox::Cancel);
  });
  f.Click("setup");
  EXPECT_EQ(f.window().setupDialog()->settings().port(), "104");
  EXPECT_EQ(f.window().setupDialog()->findChild<QLineEdit*>("port")->text(), "11112");
  EXPECT_EQ(testing::ReadFileBytes(f.folder("testscu.cfg")), file);

  // A file that cannot be written is reported; the values apply all the same.
  std::filesystem::remove(f.folder("testscu.cfg"));
  std::filesystem::create_directory(f.folder("testscu.cfg"));
  QString message;
  testing::WhenModal("Setup", [&](QWidget& dialog) {
    testing::AnswerMessageBox("Setup", QMessageBox::Ok, &message);
    Press(dialog, QDialogButtonBox::Ok);
  });
  f.Click("setup");
  EXPECT_TRUE(message.startsWith("The settings could not be saved: cannot write " +
                                 QString::fromStdString(f.folder("testscu.cfg"))))
      << message.toStdString();
  EXPECT_EQ(f.window().setupDialog()->settings().port(), "11112");
}

TEST(SetupDialog, SecurityTabKeepsTheTlsSettingsInTheirOwnFile) {
  testing::WindowFixture f;
  testing::WhenModal("Setup", [&](QWidget& dialog) {
    auto& tabs = f.Find<QTabWidget>(dialog, "tabs");
    EXPECT_EQ(tabs.tabText(2), "Security");
    tabs.setCurrentIndex(2);
    EXPECT_FALSE(f.Find<QCheckBox>(dialog, "tlsEnabled").isChecked());
    EXPECT_TRUE(f.Find<QCheckBox>(dialog, "tlsVerifyPeer").isChecked());
    f.Check(dialog, "tlsEnabled");
    auto& profile = f.Find<QComboBox>(dialog, "tlsProfile");
    profile.setCurrentIndex(profile.findText("bcp195-ex"));
    Type(f.Find<QLineEdit>(dialog, "tlsCa"), "/etc/ca.pem");
    Press(dialog, QDialogButtonBox::Ok);
  });
  f.Click("setup");
  EXPECT_EQ(testing::ReadFileText(f.folder("testscu-tls.cfg")),
            "tls=on\ntls-profile=bcp195-ex\ntls-ca=/etc/ca.pem\ntls-cert=\ntls-key=\n"
            "tls-verify=on\n");
  EXPECT_EQ(testing::ReadFileBytes(f.folder("testscu.cfg")).size(), 440u);
  EXPECT_TRUE(f.window().setupDialog()->tls().enabled);
}

TEST(QueryFilterDialog, TheCheckedBoxesMakeTheDateRange) {
  testing::WindowFixture f;
  const std::string today = FilterDateText(LocalTimeNow());
  const struct {
    const char* name;
    bool from, to;
    QueryFilter filter;
  } cases[] = {{"Doe*", true, true, {"Doe*", today + "-" + today}},
               {"", false, true, {"", "-" + today}}};
  gui::QueryFilterDialog& dialog = *f.window().queryFilterDialog();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.filter.DateFilter);
    testing::WhenModal("Query Filter", [&](QWidget&) {
      auto& fromDate = f.Find<QLineEdit>(dialog, "fromDate");
      auto& toDate = f.Find<QLineEdit>(dialog, "toDate");
      EXPECT_EQ(f.Find<QLineEdit>(dialog, "patientName").text(), "");
      EXPECT_EQ(fromDate.text().toStdString() + toDate.text().toStdString(), today + today);
      EXPECT_FALSE(fromDate.isEnabled() || toDate.isEnabled());
      QTest::keyClicks(&f.Find<QLineEdit>(dialog, "patientName"), c.name);
      if (c.from) f.Check(dialog, "from");
      if (c.to) f.Check(dialog, "to");
      EXPECT_EQ(fromDate.isEnabled(), c.from);
      EXPECT_EQ(toDate.isEnabled(), c.to);
      f.Click(dialog, "ok");
    });
    dialog.ClearFilter();
    dialog.exec();
    EXPECT_EQ(dialog.filter().PatientNameFilter, c.filter.PatientNameFilter);
    EXPECT_EQ(dialog.filter().DateFilter, c.filter.DateFilter);
  }
}

TEST(QueryPacs, SearchWithoutFiltersIsConfirmedFirst) {
  testing::WindowFixture f;
  f.window().textArea()->appendPlainText("earlier output");
  for (const auto answer : {QMessageBox::Cancel, QMessageBox::Ok}) {
    QString warning;
    testing::WhenModal("Query Filter", [&](QWidget& dialog) {
      testing::AnswerMessageBox("WARNING", answer, &warning);
      f.Click(dialog, "ok");
    });
    f.Click("query");
    EXPECT_EQ(warning, "Have no filters\r\nSearch can take very long");
    if (answer == QMessageBox::Cancel) {
      QTest::qWait(100);
      EXPECT_EQ(f.Lines(), Lines{"earlier output"});
      EXPECT_EQ(testing::FileNames(f.folder("logs")), Lines{}) << "no worker ran";
    }
  }
  EXPECT_TRUE(f.WaitForLastLine("FIND" + kFailure));
  EXPECT_EQ(f.Lines(), (Lines{"Association Failed!",
                              "connection refused by 127.0.0.1:104 (nothing listens there)",
                              "FIND" + kFailure}))
      << "the reason comes before the failure line";
}

TEST(TransferSyntaxDialog, ReopensAtTheFirstEntryAndStoreTakesTheChoice) {
  testing::WindowFixture f;  // the file choice is cancelled: STORE ends with the failure line
  for (const int choice : {2, 0}) {
    testing::WhenModal("TransferSyntax", [&](QWidget& dialog) {
      auto& list = f.Find<QComboBox>(dialog, "transferSyntax");
      EXPECT_EQ(list.currentIndex(), 0);
      EXPECT_EQ(list.placeholderText(), "TransferSyntax");
      EXPECT_EQ(list.itemText(0), "little Endian, Implicit VR");
      EXPECT_EQ(list.itemText(3), "JPEG Lossless, Explicit VR");
      list.setCurrentIndex(choice);
      f.Click(dialog, "ok");
    });
    f.Click("store");
    EXPECT_EQ(f.window().transferSyntaxDialog()->StoreSyntaxChoice(), choice);
    EXPECT_TRUE(f.WaitForLastLine("STORE" + kFailure));
    f.WaitForWorkers();
  }
}

}  // namespace
}  // namespace norvane
