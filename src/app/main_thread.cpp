#include "app/main_thread.hpp"

#include <atomic>
#include <system_error>
#include <thread>

#include "app/service_calls.hpp"
#include "log/log.hpp"
#include "platform/date_time_format.hpp"

namespace norvane {
namespace {

constexpr std::string_view kWorkerDateFormat = "ddmmyyyy";

std::atomic<size_t> runningWorkers{0};

FilmSessioncfg FilmSessionFor(const Settings& settings) {
  return {"1", "MED", "BLUE FILM", FilmDestinationText(settings.filmDestination())};
}

FilmBoxcfg FilmBoxFor(const Settings& settings) {
  FilmBoxcfg box;
  box.ImageDisplayFormat = "STANDARD\\1,1";
  box.FilmOrientation = FilmOrientationText(settings.filmOrientation());
  box.FilmSizeID = FilmSizeText(settings.filmSize());
  box.MagnificationType = MagnificationTypeText(settings.magnificationType());
  return box;
}

}  // namespace

std::string_view OperationName(Operation operation) {
  switch (operation) {
    case Operation::kEcho:
      return "ECHO";
    case Operation::kStore:
      return "STORE";
    case Operation::kFind:
      return "FIND";
    case Operation::kWorklist:
      return "WORKLIST";
    case Operation::kPrint:
      return "PRINT";
  }
  return "ECHO";
}

std::string OperationLogPath(const std::string& logsFolder, Operation operation,
                             const std::tm& day) {
  return logsFolder + FormatDateTime(ShortDateFormat(), day) + "_" +
         std::string(OperationName(operation)) + ".log";
}

MainThread::MainThread(Operation operation, RunnerContext context)
    : operation_(operation), context_(std::move(context)) {}

bool MainThread::Run() {
  const std::string name(OperationName(operation_));
  SetShortDateFormat(kWorkerDateFormat);
  const std::tm day = context_.today ? context_.today() : LocalTimeNow();
  SetLOG(OperationLogPath(context_.logsFolder, operation_, day), context_.settings.logLevel());
  context_.output->Clear();
  WriteLog("Starting " + name + " Service");
  const ServiceResult result = RunService();
  success_ = result.Ok();
  if (!success_ && !result.reason.empty()) {
    WriteLog(result.reason);
    context_.output->WriteLine(result.reason);
  }
  const std::string report = ReportLine();
  WriteLog(report);
  context_.output->WriteLine(report);
  return success_;
}

ServiceResult MainThread::RunService() {
  const Settings& settings = context_.settings;
  const LineSink out = [this](const std::string& line) { context_.output->WriteLine(line); };
  // A cancelled choice of file needs no reason: the operator made it.
  const ServiceResult noFile = ServiceResult::Failed(ServiceFailure::kLocal, "");
  switch (operation_) {
    case Operation::kEcho:
      return EchoService(settings, context_.tls);
    case Operation::kStore: {
      const std::optional<std::string> file = context_.fileChooser->ChooseFile();
      return file ? StoreService(settings, *file, transferSyntaxUID_, context_.tls) : noFile;
    }
    case Operation::kFind:
      return FindService(settings, context_.filter, out, context_.tls);
    case Operation::kWorklist:
      return WorklistService(settings, context_.filter, out, context_.tls);
    case Operation::kPrint: {
      const std::optional<std::string> file = context_.fileChooser->ChooseFile();
      return file ? PrintService(settings, *file, FilmSessionFor(settings), FilmBoxFor(settings),
                                 context_.tls)
                  : noFile;
    }
  }
  return noFile;
}

// Every unsuccessful end gets the same line, also when nothing was connected.
std::string MainThread::ReportLine() const {
  const std::string name(OperationName(operation_));
  if (success_) return name + " OK";
  const Settings& s = context_.settings;
  return name + " failed to connect to: " + s.remoteAET() + " (" + s.host() + ":" + s.port() + ")";
}

bool MainThread::Start(std::unique_ptr<MainThread> worker) {
  ++runningWorkers;
  try {
    std::thread([worker = std::move(worker)]() mutable {
      worker->Run();
      worker.reset();  // the sink and the chooser go before the worker counts as ended
      --runningWorkers;
    }).detach();
  } catch (const std::system_error&) {
    --runningWorkers;
    return false;
  }
  return true;
}

size_t RunningMainThreads() {
  return runningWorkers.load();
}

}  // namespace norvane
