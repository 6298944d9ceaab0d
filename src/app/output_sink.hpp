#pragma once

#include <string>

namespace norvane {

// Where an operation writes what the operator reads: the main window's text area, or
// whatever a front end or a test puts in its place. Lines come without a line end, from
// the window's thread and from workers; an implementation keeps each line whole and the
// lines of one thread in the order written.
class OutputSink {
 public:
  virtual ~OutputSink() = default;
  virtual void Clear() = 0;
  virtual void WriteLine(const std::string& line) = 0;
};

}  // namespace norvane
