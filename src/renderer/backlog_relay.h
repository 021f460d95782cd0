#pragma once

#include <optional>
#include <vector>

#include "base/mutex.h"
#include "delivery/printer_backlog.h"

namespace lumetra {

// Carries the print engine's backlog reports from its delivery thread to
// the web process's main thread, which alone may send them on. Only the
// newest list matters, so lists that arrive while one is waiting replace
// it, and the main thread is woken once for all of them.
class BacklogRelay {
 public:
  // Delivery thread; never waits for the main thread. True when the main
  // thread must be woken: no wake-up is already on its way.
  bool post(BacklogReport report) EXCLUDES(mutex_);
  // Main thread, when it can send: the newest list not yet taken, if any.
  // The next post wakes the main thread again.
  std::optional<BacklogReport> take() EXCLUDES(mutex_);

  // The same for a change of the printers' states, which the main thread
  // reads itself: true when it must be woken.
  bool postStatesChanged() EXCLUDES(mutex_);
  // Main thread, after take(): whether the states changed since last asked.
  bool takeStatesChanged() EXCLUDES(mutex_);

 private:
  Mutex mutex_;
  std::optional<BacklogReport> newest_ GUARDED_BY(mutex_);
  bool wakeUpPending_ GUARDED_BY(mutex_) = false;
  bool statesChanged_ GUARDED_BY(mutex_) = false;
};

}  // namespace lumetra
