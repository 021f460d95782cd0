#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <stop_token>

#include "base/thread_annotations.h"

namespace lumetra {

// A plain mutex the thread safety analysis can follow (std::mutex carries
// no annotations in libstdc++).
class CAPABILITY("mutex") Mutex {
 public:
  Mutex() = default;
  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;

  void lock() ACQUIRE() { mutex_.lock(); }
  void unlock() RELEASE() { mutex_.unlock(); }
  // Tells the analysis what the caller guarantees, where it cannot see the
  // lock taken (one object reached through another's reference).
  void assertHeld() ASSERT_CAPABILITY(this) {}

 private:
  std::mutex mutex_;
};

// Holds a Mutex for the life of a scope.
class SCOPED_CAPABILITY MutexLock {
 public:
  explicit MutexLock(Mutex& mutex) ACQUIRE(mutex) : mutex_(mutex) { mutex_.lock(); }
  ~MutexLock() RELEASE() { mutex_.unlock(); }
  MutexLock(const MutexLock&) = delete;
  MutexLock& operator=(const MutexLock&) = delete;

 private:
  Mutex& mutex_;
};

// Waits for a change of state guarded by a Mutex. The waiter holds the
// mutex, checks its state, and waits while it is not what it needs; the
// mutex is released while it waits and held again when the wait returns.
// Whoever changes the state does so holding the mutex, then notifies. A
// wait may also return without a notification, so the state is checked
// again after each.
class CondVar {
 public:
  CondVar() = default;
  CondVar(const CondVar&) = delete;
  CondVar& operator=(const CondVar&) = delete;

  void notifyAll() {
    notifications_.fetch_add(1, std::memory_order_relaxed);
    changed_.notify_all();
  }
  void wait(Mutex& mutex) REQUIRES(mutex) { changed_.wait(mutex); }
  // Returns at a notification, at `deadline`, or once `stop` is requested.
  void waitUntil(Mutex& mutex, const std::stop_token& stop, std::chrono::steady_clock::time_point deadline)
      REQUIRES(mutex) {
    const std::uint64_t seen = notifications_.load(std::memory_order_relaxed);
    changed_.wait_until(mutex, stop, deadline, [&] { return notifications_.load(std::memory_order_relaxed) != seen; });
  }

 private:
  std::condition_variable_any changed_;
  // Tells a notification from a spurious wake-up, where a stop token
  // leaves the standard wait no other way to.
  std::atomic<std::uint64_t> notifications_{0};
};

}  // namespace lumetra
