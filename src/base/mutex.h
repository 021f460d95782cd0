#pragma once

#include <mutex>

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
  // For condition variables, which need the standard type.
  std::mutex& native() { return mutex_; }

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

}  // namespace lumetra
