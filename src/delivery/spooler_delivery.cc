#include "delivery/spooler_delivery.h"

#include <algorithm>

#include "base/utf.h"
#include "delivery/ticket_marks.h"

namespace lumetra {

SpoolerDelivery::SpoolerDelivery(Outbox& outbox, PrinterBoard& board, platform::Spooler& spooler,
                                 const DeliveryTimings& timings, std::function<void()> troublesChanged)
    : outbox_(outbox),
      board_(board),
      spooler_(spooler),
      timings_(timings),
      troublesChanged_(std::move(troublesChanged)),
      watch_(board, spooler, timings.queueWatchInterval) {}

void SpoolerDelivery::run(std::stop_token stop) {
  while (!stop.stop_requested()) {
    Clock::time_point until = Clock::now() + timings_.retryInterval;
    if (const std::optional<Clock::time_point> nextLook = watch_.lookAtDue(Clock::now())) {
      until = std::min(until, *nextLook);
    }
    const bool delivered = deliverDue(stop, until);
    // The network thread tells the host, also of what only this thread saw.
    troublesChanged_();
    if (!delivered) waitUntil(stop, until);
  }
}

bool SpoolerDelivery::deliverDue(std::stop_token& stop, Clock::time_point& until) {
  const Clock::time_point now = Clock::now();
  bool delivered = false;
  {
    MutexLock lock(mutex_);
    for (const std::string& queue : retryRequested_) nextAttempt_.erase(queue);
    retryRequested_.clear();
  }
  for (const PrinterKey& queue : outbox_.printersWaiting(PrinterKind::spooler)) {
    if (stop.stop_requested()) return delivered;
    const Clock::time_point due = nextAttempt_.try_emplace(queue.name, now).first->second;
    if (due > now) {
      until = std::min(until, due);
    } else if (deliverFirst(queue, now)) {
      delivered = true;
    } else {
      until = std::min(until, nextAttempt_[queue.name]);
    }
  }
  return delivered;
}

bool SpoolerDelivery::deliverFirst(const PrinterKey& queue, Clock::time_point now) {
  std::optional<TicketToDeliver> ticket = outbox_.first(queue);
  if (!ticket) return false;
  const Spooled spooled = print(queue.name, markedWrites(*ticket, queue));
  if (spooled.trouble == Trouble::none) {
    board_.delivered(queue, outbox_.delivered(queue, ticket->id));
    watch_.tookDocument(queue, spooled.jobId, now);
    nextAttempt_.erase(queue.name);
    return true;
  }
  outbox_.putBack(queue, ticket->id);
  board_.troubled(queue, namedCause(queue, spooled.trouble));
  nextAttempt_[queue.name] = now + timings_.retryInterval;
  return false;
}

SpoolerDelivery::Spooled SpoolerDelivery::print(const std::string& queue, const std::vector<std::string>& writes) {
  const std::optional<platform::PrinterHandle> handle = spooler_.open(utf8ToUtf16(queue));
  if (!handle) return Spooled{Trouble::queueMissing};
  const std::uint32_t jobId = spooler_.startDocument(*handle, platform::DocumentInfo{});
  if (jobId == 0) {
    spooler_.close(*handle);
    return Spooled{Trouble::queueRefused};
  }
  bool written = spooler_.startPage(*handle);
  const Trouble refused = written ? Trouble::queueFailed : Trouble::queueRefused;
  for (const std::string& write : writes) written = written && spooler_.write(*handle, write);
  written = spooler_.endPage(*handle) && written;
  written = spooler_.endDocument(*handle) && written;
  spooler_.close(*handle);
  return written ? Spooled{Trouble::none, jobId} : Spooled{refused};
}

Trouble SpoolerDelivery::namedCause(const PrinterKey& queue, Trouble generic) {
  if (generic == Trouble::queueMissing) return generic;
  const std::optional<platform::QueueActivity> activity = spooler_.queueActivity(utf8ToUtf16(queue.name));
  const Trouble named = activity ? queueTrouble(*activity) : Trouble::none;
  return named == Trouble::none ? generic : named;
}

void SpoolerDelivery::wake() {
  MutexLock lock(mutex_);
  wakeRequested_ = true;
  woken_.notifyAll();
}

void SpoolerDelivery::retryNow(const PrinterKey& queue) {
  MutexLock lock(mutex_);
  // The staff press a button now and then; a flood is a fault.
  if (retryRequested_.size() < 64) retryRequested_.push_back(queue.name);
  wakeRequested_ = true;
  woken_.notifyAll();
}

void SpoolerDelivery::waitUntil(std::stop_token& stop, Clock::time_point until) {
  MutexLock lock(mutex_);
  if (!wakeRequested_) woken_.waitUntil(mutex_, stop, until);
  wakeRequested_ = false;
}

}  // namespace lumetra
