#include "jobs/pending_tasks.h"

#include <exception>
#include <iterator>

#include "jobs/print_task.h"
#include "net/print_target.h"

namespace lumetra {
namespace {

bool isNetworkTaskFor(const std::string& taskJson, const std::u16string& address) {
  const auto tasks = parsePrintTaskList(taskJson);
  return tasks && tasks->size() == 1 && tasks->front().printerType == kNetworkPrinterType &&
         tasks->front().ipaddress == address;
}

void retryLoop(std::stop_token stop, const std::function<void()>& pass, std::chrono::milliseconds interval) {
  std::mutex mutex;
  std::condition_variable_any wake;
  for (;;) {
    {
      std::unique_lock lock(mutex);
      if (wake.wait_for(lock, stop, interval, [] { return false; }) || stop.stop_requested()) return;
    }
    try {
      pass();
    } catch (const std::exception&) {
      // A task that cannot be processed at all (out of memory) is dropped;
      // the others keep being retried.
    }
  }
}

}  // namespace

void PendingTasks::add(std::string taskJson) {
  MutexLock lock(mutex_);
  tasks_.push_back(std::move(taskJson));
}

std::vector<std::string> PendingTasks::all() const {
  MutexLock lock(mutex_);
  return {tasks_.begin(), tasks_.end()};
}

void PendingTasks::clear() {
  MutexLock lock(mutex_);
  tasks_.clear();
}

std::vector<std::string> PendingTasks::takeAll() {
  MutexLock lock(mutex_);
  std::vector<std::string> taken(std::make_move_iterator(tasks_.begin()), std::make_move_iterator(tasks_.end()));
  tasks_.clear();
  return taken;
}

std::vector<std::string> PendingTasks::takeFor(const std::u16string& address) {
  MutexLock lock(mutex_);
  std::vector<std::string> taken;
  std::deque<std::string> others;
  for (std::string& task : tasks_) {
    if (isNetworkTaskFor(task, address)) {
      taken.push_back(std::move(task));
    } else {
      others.push_back(std::move(task));
    }
  }
  tasks_ = std::move(others);
  return taken;
}

bool PendingTaskRetry::start(std::function<void()> pass, std::chrono::milliseconds interval) {
  MutexLock lock(mutex_);
  if (thread_.joinable()) return false;
  thread_ = std::jthread(
      [pass = std::move(pass), interval](std::stop_token stop) { retryLoop(std::move(stop), pass, interval); });
  return true;
}

void PendingTaskRetry::stop() {
  MutexLock lock(mutex_);
  if (!thread_.joinable()) return;
  thread_.request_stop();
  thread_.join();
}

bool PendingTaskRetry::running() const {
  MutexLock lock(mutex_);
  return thread_.joinable();
}

}  // namespace lumetra
