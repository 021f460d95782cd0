#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "jobs/print_jobs.h"
#include "jobs/print_task.h"

namespace lumetra {

// The tasks of one task list written to network printers, until each printer
// is known to have taken them. A printer that fails, resets or ends its
// connection on its own before being told that all has come may have lost
// what it held, so its tasks on that connection go to the pending list
// again (a receipt printed twice rather than lost). Lives inside one output
// sequence: the output lock is held while it exists.
class NetworkDeliveries {
 public:
  explicit NetworkDeliveries(PrintJobs& jobs) : jobs_(jobs) {}
  NetworkDeliveries(const NetworkDeliveries&) = delete;
  NetworkDeliveries& operator=(const NetworkDeliveries&) = delete;

  // After a task opened (or failed to open) `address`: the tasks sent on a
  // connection that has been replaced since go again.
  void opened(const std::u16string& address);
  // After a task's writes; `written` false when one of them failed.
  void record(const std::u16string& address, const TaskSource& task, bool written);
  // The end of the list: closes every task connection and settles every task.
  void closeAll();

 private:
  struct Batch {
    std::uint64_t connection = 0;   // taskConnectionId the tasks went out on
    std::vector<TaskSource> tasks;  // oldest first
  };
  void sendToPending(Batch& batch);

  PrintJobs& jobs_;
  std::map<std::u16string, Batch> unconfirmed_;
};

}  // namespace lumetra
