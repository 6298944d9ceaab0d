#pragma once

#include <QPlainTextEdit>
#include <functional>
#include <mutex>
#include <string>

#include "app/output_sink.hpp"

namespace norvane::gui {

// The main window's text area as the output of operations. Every change is queued to the
// window's thread, so lines written from any thread arrive whole and, per thread, in the
// order written; the window never waits for a worker.
class TextAreaSink : public OutputSink {
 public:
  explicit TextAreaSink(QPlainTextEdit* area) : area_(area) {}

  void Clear() override;
  void WriteLine(const std::string& line) override;

  // The area is going away: what comes later is dropped.
  void Detach();

 private:
  void Post(std::function<void(QPlainTextEdit&)> change);

  std::mutex mutex_;
  QPlainTextEdit* area_;
};

}  // namespace norvane::gui
