#pragma once

// Stand-ins for the window that the service runner writes to and asks for files.

#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/file_chooser.hpp"
#include "app/output_sink.hpp"

namespace norvane::testing {

// Keeps the lines written since the last Clear, and counts the clears.
class CollectingSink : public OutputSink {
 public:
  void Clear() override {
    std::lock_guard lock(mutex_);
    lines_.clear();
    ++clears_;
  }
  void WriteLine(const std::string& line) override {
    std::lock_guard lock(mutex_);
    lines_.push_back(line);
  }
  std::vector<std::string> lines() {
    std::lock_guard lock(mutex_);
    return lines_;
  }
  int clears() {
    std::lock_guard lock(mutex_);
    return clears_;
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> lines_;
  int clears_ = 0;
};

// Answers every question with the same file, or with a cancel; counts the questions.
struct FixedChooser : FileChooser {
  explicit FixedChooser(std::optional<std::string> file) : answer(std::move(file)) {}
  std::optional<std::string> ChooseFile() override {
    ++asked;
    return answer;
  }
  std::optional<std::string> answer;
  int asked = 0;
};

}  // namespace norvane::testing
