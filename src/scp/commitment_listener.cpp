#include "scp/commitment_listener.hpp"

#include <cstring>

#include "scp/commitment_report_service.hpp"
#include "scp/server_thread.hpp"
#include "scp/verification_service.hpp"

namespace norvane {

CommitListener::CommitListener() : reports_(std::make_shared<CommitmentReports>()) {}

CommitListener::~CommitListener() {
  if (server_) server_->Stop();
}

std::string CommitListener::Start(const std::string& port, const std::string& aeTitle,
                                  bool loopbackOnly) {
  StoreSCPSettings settings;
  settings.port = port;
  settings.loopbackOnly = loopbackOnly;
  settings.aeTitle = aeTitle;
  settings.maxAssociations = 2;
  ServiceRegistry services;
  services.Register(std::make_shared<VerificationService>());
  services.Register(std::make_shared<CommitmentReportService>(reports_));
  server_ = std::make_unique<ServerThread>(settings, std::move(services));
  if (!server_->Listen()) {
    const std::string problem = "cannot listen on port " + port + " for the commitment report: " +
                                std::strerror(server_->ListenError());
    server_.reset();
    return problem;
  }
  server_->Start();
  return {};
}

ReportElsewhere CommitListener::Elsewhere() const {
  return [reports = reports_](std::string_view transactionUID,
                              std::chrono::steady_clock::time_point until) {
    return reports->Await(transactionUID, until);
  };
}

}  // namespace norvane
