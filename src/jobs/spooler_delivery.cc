#include "jobs/spooler_delivery.h"

#include <algorithm>

#include "base/utf.h"

namespace lumetra {

SpoolerDelivery::SpoolerDelivery(Outbox& outbox, platform::Spooler& spooler, const DeliveryTimings& timings,
                                 std::function<void()> troublesChanged)
    : outbox_(outbox), spooler_(spooler), timings_(timings), troublesChanged_(std::move(troublesChanged)) {}

void SpoolerDelivery::run(std::stop_token stop) {
  while (!stop.stop_requested()) {
    const Clock::time_point now = Clock::now();
    Clock::time_point until = now + timings_.retryInterval;
    bool delivered = false;
    for (const PrinterKey& queue : outbox_.printersWaiting(PrinterKind::spooler)) {
      if (stop.stop_requested()) return;
      const Clock::time_point due = nextAttempt_.try_emplace(queue.name, now).first->second;
      if (due > now) {
        until = std::min(until, due);
      } else if (deliverFirst(queue, now)) {
        delivered = true;
      } else {
        until = std::min(until, nextAttempt_[queue.name]);
      }
    }
    troublesChanged_();
    if (!delivered) waitUntil(stop, until);
  }
}

bool SpoolerDelivery::deliverFirst(const PrinterKey& queue, Clock::time_point now) {
  std::optional<TicketToDeliver> ticket = outbox_.first(queue);
  if (!ticket) return false;
  const Trouble trouble = print(ticket->ticket);
  if (trouble == Trouble::none) {
    outbox_.delivered(queue, ticket->id);
    nextAttempt_.erase(queue.name);
    return true;
  }
  outbox_.troubled(queue, trouble);
  nextAttempt_[queue.name] = now + timings_.retryInterval;
  return false;
}

Trouble SpoolerDelivery::print(const Ticket& ticket) {
  const std::optional<platform::PrinterHandle> handle = spooler_.open(base::utf8ToUtf16(ticket.printer.name));
  if (!handle) return Trouble::queueMissing;
  if (spooler_.startDocument(*handle, platform::DocumentInfo{}) == 0) {
    spooler_.close(*handle);
    return Trouble::queueRefused;
  }
  bool written = spooler_.startPage(*handle);
  const Trouble refused = written ? Trouble::queueFailed : Trouble::queueRefused;
  for (const std::string& write : ticket.writes) written = written && spooler_.write(*handle, write);
  written = spooler_.endPage(*handle) && written;
  written = spooler_.endDocument(*handle) && written;
  spooler_.close(*handle);
  return written ? Trouble::none : refused;
}

void SpoolerDelivery::wake() {
  MutexLock lock(mutex_);
  wakeRequested_ = true;
  woken_.notify_all();
}

void SpoolerDelivery::waitUntil(std::stop_token& stop, Clock::time_point until) {
  std::unique_lock lock(mutex_.native());
  woken_.wait_until(lock, stop, until, [this] {
    mutex_.assertHeld();
    return wakeRequested_;
  });
  mutex_.assertHeld();
  wakeRequested_ = false;
}

}  // namespace lumetra
