#pragma once

// The service runner of the test application: one worker per operation, which logs to the
// day's file of its operation, runs one service against the peer of the settings and
// reports the outcome to the operator. It knows no window: a front end gives it an output
// sink and a file chooser.

#include <cstddef>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "app/file_chooser.hpp"
#include "app/output_sink.hpp"
#include "app/qfilter/query_filter.hpp"
#include "app/setup/settings.hpp"
#include "net/service_result.hpp"
#include "net/tls_settings.hpp"

namespace norvane {

enum class Operation { kEcho, kStore, kFind, kWorklist, kPrint };

// "ECHO", "STORE", "FIND", "WORKLIST", "PRINT".
std::string_view OperationName(Operation operation);

// What a worker works with, fixed when it is created: later changes to the settings or
// the filters apply to the next worker.
struct RunnerContext {
  Settings settings;
  std::string logsFolder;  // with a trailing '/'
  QueryFilter filter;
  std::shared_ptr<OutputSink> output;
  std::shared_ptr<FileChooser> fileChooser;
  std::function<std::tm()> today;  // the day that names the log file; local time if unset
  TlsSettings tls;                 // of the settings file beside testscu.cfg
};

class MainThread {
 public:
  MainThread(Operation operation, RunnerContext context);

  // The transfer syntax "STORE" asks for; empty (the default) leaves the choice to the
  // storage SCU.
  void SetTransferSyntaxUID(std::string_view uid) { transferSyntaxUID_ = uid; }

  // Runs the operation on the calling thread: sets the process's short date format to
  // "ddmmyyyy", logs to logsFolder + "DDMMYYYY_OPERATION.log" at the settings' log level,
  // clears the output, logs "Starting OPERATION Service", runs the service and writes
  // "OPERATION OK" or "OPERATION failed to connect to: AET (HOST:PORT)" to the log and
  // the output; a failure's reason in words comes first, as a line of its own. Returns the
  // success.
  bool Run();

  // Runs the worker on a thread of its own, which owns it and ends by itself; nobody
  // waits for it. False when no thread could be started.
  static bool Start(std::unique_ptr<MainThread> worker);

  Operation operation() const { return operation_; }
  bool success() const { return success_; }

 private:
  ServiceResult RunService();
  std::string ReportLine() const;

  Operation operation_;
  RunnerContext context_;
  std::string transferSyntaxUID_;
  bool success_ = false;
};

// Workers started with MainThread::Start that have not ended yet.
size_t RunningMainThreads();

// The log file of an operation on a day: logsFolder + the day in the short date format +
// "_" + the operation's name + ".log".
std::string OperationLogPath(const std::string& logsFolder, Operation operation,
                             const std::tm& day);

}  // namespace norvane
