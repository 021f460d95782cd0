#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "base/mutex.h"

namespace lumetra {

// The pending task list: print tasks (compact JSON, one task object each)
// whose printer could not be reached, oldest first. The page's thread adds
// to it while the retry thread takes from it, so it has a lock of its own,
// never held across anything else.
class PendingTasks {
 public:
  void add(std::string taskJson) EXCLUDES(mutex_);
  std::vector<std::string> all() const EXCLUDES(mutex_);
  void clear() EXCLUDES(mutex_);
  // Takes every task off the list, oldest first.
  std::vector<std::string> takeAll() EXCLUDES(mutex_);
  // Takes the tasks for the network printer at `address` off the list,
  // oldest first: once it can be reached, they print before anything newer.
  std::vector<std::string> takeFor(const std::u16string& address) EXCLUDES(mutex_);

 private:
  mutable Mutex mutex_;
  std::deque<std::string> tasks_ GUARDED_BY(mutex_);
};

// Runs a retry pass every `interval` on a thread of its own until stopped.
// A stop waits for a pass in progress (a pass is never cut short) and ends
// the wait between passes at once.
class PendingTaskRetry {
 public:
  PendingTaskRetry() = default;
  ~PendingTaskRetry() { stop(); }
  PendingTaskRetry(const PendingTaskRetry&) = delete;
  PendingTaskRetry& operator=(const PendingTaskRetry&) = delete;

  // Starts the thread; false (and nothing changes) when it already runs.
  bool start(std::function<void()> pass, std::chrono::milliseconds interval) EXCLUDES(mutex_);
  void stop() EXCLUDES(mutex_);
  bool running() const EXCLUDES(mutex_);

 private:
  mutable Mutex mutex_;
  std::jthread thread_ GUARDED_BY(mutex_);
};

}  // namespace lumetra
