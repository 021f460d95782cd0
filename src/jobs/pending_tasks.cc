#include "jobs/pending_tasks.h"

#include <boost/chrono.hpp>
#include <boost/thread/thread.hpp>

#include <cstdlib>
#include <deque>
#include <exception>
#include <mutex>
#include <iterator>

#include "jobs/kitchen_task_list.h"
#include "jobs/print_task.h"
#include "jobs/print_task_list.h"
#include "net/print_target.h"
#include "printer/printer_registry.h"

namespace lumetra {
namespace {

constexpr std::chrono::milliseconds kRetryInterval{10'000};

// The page's thread adds to the list while the retry thread takes from it.
struct PendingList {
  std::mutex mutex;
  std::deque<std::string> tasks;
};

PendingList& pendingList() {
  static PendingList list;
  return list;
}

bool isNetworkTaskFor(const std::string& taskJson, const std::u16string& address) {
  const auto tasks = parsePrintTaskList(taskJson);
  return tasks && tasks->size() == 1 && tasks->front().printerType == kNetworkPrinterType &&
         tasks->front().ipaddress == address;
}

struct RetryThread {
  std::mutex mutex;
  boost::thread thread;
};

RetryThread& retryThread() {
  static RetryThread retry;
  return retry;
}

// The sleep is the thread's one interruption point: a stop never cuts a
// task list short.
void retryLoop(std::chrono::milliseconds interval) {
  try {
    for (;;) {
      boost::this_thread::sleep_for(boost::chrono::milliseconds(interval.count()));
      try {
        retryPendingTasks();
      } catch (const std::exception&) {
        // A task that cannot be processed at all (out of memory) is dropped;
        // the others keep being retried.
      }
    }
  } catch (const boost::thread_interrupted&) {
  }
}

// The retry thread must be stopped before anything it uses is destroyed at
// exit: what was constructed before the atexit registration is destroyed
// after the handler has run.
void stopAtExitAfterWhatTheRetryUses() {
  static const bool registered = [] {
    printerRegistry();
    pendingList();
    {
      const std::lock_guard lock(printerLock());
      closeTaskConnections();  // constructs the task connection table
    }
    return std::atexit(stopPendingTaskRetry) == 0;
  }();
  (void)registered;
}

}  // namespace

void addPendingTask(std::string taskJson) {
  PendingList& list = pendingList();
  const std::lock_guard lock(list.mutex);
  list.tasks.push_back(std::move(taskJson));
}

std::vector<std::string> pendingTasks() {
  PendingList& list = pendingList();
  const std::lock_guard lock(list.mutex);
  return {list.tasks.begin(), list.tasks.end()};
}

void clearPendingTasks() {
  PendingList& list = pendingList();
  const std::lock_guard lock(list.mutex);
  list.tasks.clear();
}

std::vector<std::string> takePendingTasksFor(const std::u16string& address) {
  PendingList& list = pendingList();
  const std::lock_guard lock(list.mutex);
  std::vector<std::string> taken;
  std::deque<std::string> others;
  for (std::string& task : list.tasks) {
    if (isNetworkTaskFor(task, address)) {
      taken.push_back(std::move(task));
    } else {
      others.push_back(std::move(task));
    }
  }
  list.tasks = std::move(others);
  return taken;
}

void retryPendingTasks() {
  const std::lock_guard lock(printerLock());
  std::vector<std::string> taskTexts;
  {
    PendingList& list = pendingList();
    const std::lock_guard listLock(list.mutex);
    taskTexts.assign(std::make_move_iterator(list.tasks.begin()), std::make_move_iterator(list.tasks.end()));
    list.tasks.clear();
  }
  // Behind the tasks the pass put back after a printer reset: per printer,
  // those are the older ones.
  for (std::string& task : retryTaskTexts(taskTexts)) addPendingTask(std::move(task));
}

void startPendingTaskRetry() { startPendingTaskRetry(kRetryInterval); }

void startPendingTaskRetry(std::chrono::milliseconds interval) {
  flushKitchenTaskList();
  RetryThread& retry = retryThread();
  const std::lock_guard lock(retry.mutex);
  if (retry.thread.joinable()) return;
  stopAtExitAfterWhatTheRetryUses();
  retry.thread = boost::thread(retryLoop, interval);
}

void stopPendingTaskRetry() {
  RetryThread& retry = retryThread();
  const std::lock_guard lock(retry.mutex);
  if (!retry.thread.joinable()) return;
  retry.thread.interrupt();
  retry.thread.join();
}

}  // namespace lumetra
