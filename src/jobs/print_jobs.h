#pragma once

#include <chrono>
#include <deque>

#include "jobs/kitchen_task_list.h"
#include "jobs/pending_tasks.h"
#include "jobs/printer_backlog.h"
#include "net/net_printer_slots.h"

namespace lumetra {

// How often the pending-task retry tries the waiting tasks again.
inline constexpr std::chrono::milliseconds kRetryInterval{10'000};

// The page's print jobs in one web process: the kitchen ticket list, the
// pending task list and the thread that retries it.
struct PrintJobs {
  explicit PrintJobs(NetworkPrinters& network) : network(network) {}
  PrintJobs(const PrintJobs&) = delete;
  PrintJobs& operator=(const PrintJobs&) = delete;

  NetworkPrinters& network;
  std::deque<KitchenTaskItem> kitchen GUARDED_BY(network.printers.printerLock);
  PendingTasks pending;
  std::chrono::milliseconds retryInterval = kRetryInterval;
  // Told which printers have tickets waiting; set by the host before the
  // delivery starts, called from the delivery thread.
  BacklogListener onBacklogChanged;
  // Last, so that it is stopped before anything it prints with goes away.
  PendingTaskRetry retry;
};

}  // namespace lumetra
