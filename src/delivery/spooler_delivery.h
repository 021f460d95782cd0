#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <stop_token>
#include <string>

#include "base/mutex.h"
#include "delivery/delivery.h"
#include "delivery/spooler_queue_watch.h"
#include "outbox/outbox.h"
#include "platform/print/spooler.h"

namespace lumetra {

// Delivers the spooler queues' tickets, each as a raw document of its own,
// one ticket per queue in turn so that a busy queue holds back no other.
// A queue that refuses is tried again after the retry interval. A ticket
// counts as delivered once the spooler took it; a queue that then stops
// with it is shown to the staff (SpoolerQueueWatch).
class SpoolerDelivery {
 public:
  using Clock = std::chrono::steady_clock;

  // `troublesChanged` lets the thread that reports the backlog know.
  SpoolerDelivery(Outbox& outbox, PrinterBoard& board, platform::Spooler& spooler, const DeliveryTimings& timings,
                  std::function<void()> troublesChanged);

  void run(std::stop_token stop);
  void wake() EXCLUDES(mutex_);
  // Any thread: the queue is tried at once, without its pause after a failure.
  void retryNow(const PrinterKey& queue) EXCLUDES(mutex_);

 private:
  struct Spooled {
    Trouble trouble = Trouble::none;
    std::uint32_t jobId = 0;  // when the spooler took the document whole
  };

  // Delivers the first ticket of each queue whose turn has come; true when
  // any was delivered. `until` is brought forward to the next queue's turn.
  bool deliverDue(std::stop_token& stop, Clock::time_point& until);
  // Delivers the queue's first ticket; false when the queue is in trouble.
  bool deliverFirst(const PrinterKey& queue, Clock::time_point now);
  // Sends the writes to the queue as one document. The spooler prints a
  // document only once it has taken it whole (one it did not is cancelled):
  // a ticket sent again after a failure here is no copy.
  Spooled print(const std::string& queue, const std::vector<std::string>& writes);
  // The reason the spooler names for a queue that did not take a document,
  // in place of the generic one.
  Trouble namedCause(const PrinterKey& queue, Trouble generic);
  void waitUntil(std::stop_token& stop, Clock::time_point until) EXCLUDES(mutex_);

  Outbox& outbox_;
  PrinterBoard& board_;
  platform::Spooler& spooler_;
  const DeliveryTimings timings_;
  std::function<void()> troublesChanged_;
  std::map<std::string, Clock::time_point> nextAttempt_;  // the delivery thread's
  SpoolerQueueWatch watch_;                               // likewise
  Mutex mutex_;
  CondVar woken_;
  bool wakeRequested_ GUARDED_BY(mutex_) = false;
  std::vector<std::string> retryRequested_ GUARDED_BY(mutex_);
};

}  // namespace lumetra
