#pragma once

// Where a storage commitment requester takes reports that come on new associations: a
// small SCP for the commitment class on a port of its own, serving until it goes.

#include <memory>
#include <string>

#include "dimse/storage_commitment_scu.hpp"

namespace norvane {

class ServerThread;
class CommitmentReports;

class CommitListener {
 public:
  CommitListener();
  ~CommitListener();
  CommitListener(const CommitListener&) = delete;
  CommitListener& operator=(const CommitListener&) = delete;

  // Listens on the port (on every local address, or on 127.0.0.1 only) as `aeTitle`,
  // answering C-ECHO too; the problem in words when it cannot.
  std::string Start(const std::string& port, const std::string& aeTitle, bool loopbackOnly = false);
  // The reports that came, for CommitSCU.
  ReportElsewhere Elsewhere() const;

 private:
  std::shared_ptr<CommitmentReports> reports_;
  std::unique_ptr<ServerThread> server_;
};

}  // namespace norvane
