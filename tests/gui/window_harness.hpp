#pragma once

// Driving the main window in tests: the window over a fresh application folder, modal
// dialogs answered while they are open, and the text area read back as lines.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>
#include <functional>

#include "gui/main_window.hpp"
#include "support/peers.hpp"
#include "support/runner_fakes.hpp"

namespace norvane::testing {

// Runs `act` on the modal window of type Window captioned `caption` as soon as it is open
// (the code that opens it waits in exec() meanwhile).
template <class Window = QDialog>
void WhenModal(const QString& caption, std::function<void(QWidget&)> act) {
  auto* timer = new QTimer(qApp);
  QObject::connect(timer, &QTimer::timeout, [timer, caption, act] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || modal->windowTitle() != caption || !modal->isVisible() ||
        qobject_cast<Window*>(modal) == nullptr) {
      return;
    }
    timer->stop();
    timer->deleteLater();
    act(*modal);
  });
  timer->start(10);
}

// Presses a message box's button, keeping its text.
inline void AnswerMessageBox(const QString& caption, QMessageBox::StandardButton button,
                             QString* text) {
  WhenModal<QMessageBox>(caption, [button, text](QWidget& modal) {
    *text = static_cast<QMessageBox&>(modal).text();
    QTest::mouseClick(static_cast<QMessageBox&>(modal).button(button), Qt::LeftButton);
  });
}

inline void Type(QLineEdit& entry, const QString& text) {
  entry.clear();
  QTest::keyClicks(&entry, text);
}

inline std::string Join(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines)
    text += line + "\n";
  return text;
}

class WindowFixture {
 public:
  explicit WindowFixture(std::optional<std::string> file = std::nullopt)
      : window_(FixApplicationFolders(dir_.path().string()),
                std::make_shared<FixedChooser>(std::move(file))) {
    window_.show();
  }
  ~WindowFixture() { WaitForWorkers(); }

  gui::MainWindow& window() { return window_; }
  std::string folder(const std::string& name) const { return dir_ / name; }
  template <class Widget = QWidget>
  Widget& Find(QWidget& parent, const char* name) {
    auto* widget = parent.findChild<Widget*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return *widget;
  }
  void Click(QWidget& parent, const char* name) {
    QTest::mouseClick(&Find(parent, name), Qt::LeftButton);
  }
  void Click(const char* button) { Click(window_, button); }
  // Clicks a check box on its box, where the operator clicks.
  void Check(QWidget& parent, const char* name) {
    QWidget& box = Find(parent, name);
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(6, box.height() / 2));
  }

  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    const QString text = window_.textArea()->toPlainText();
    if (text.isEmpty()) return lines;
    for (const QString& line : text.split('\n'))
      lines.push_back(line.toStdString());
    return lines;
  }
  // Waits until the text area's last line is `last` (a worker's report).
  bool WaitForLastLine(const std::string& last) {
    return QTest::qWaitFor([&] { return !Lines().empty() && Lines().back() == last; }, 60000);
  }
  static void WaitForWorkers() {
    EXPECT_TRUE(QTest::qWaitFor([] { return RunningMainThreads() == 0; }, 60000));
  }

 private:
  TempDir dir_;
  gui::MainWindow window_;
};

}  // namespace norvane::testing
