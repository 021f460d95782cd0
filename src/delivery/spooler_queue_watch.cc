#include "delivery/spooler_queue_watch.h"

#include <algorithm>
#include <array>
#include <utility>

#include "base/utf.h"

namespace lumetra {

Trouble queueTrouble(const platform::QueueActivity& activity) {
  using namespace platform::printer_status;
  // What the staff can put right at the printer goes before a paused
  // queue: the spooler pauses a queue whose printer failed, too.
  constexpr std::array<std::pair<std::uint32_t, Trouble>, 6> kCauses{{
      {kPaperOut, Trouble::paperEnd},
      {kDoorOpen, Trouble::coverOpen},
      {kPaperJam, Trouble::paperJam},
      {kError | kNoToner | kOutputBinFull, Trouble::printerError},
      {kOffline, Trouble::printerOffline},
      {kPaused, Trouble::queuePaused},
  }};
  for (const auto& [bits, trouble] : kCauses) {
    if ((activity.status & bits) != 0) return trouble;
  }
  return activity.stopped ? Trouble::queuePaused : Trouble::none;
}

void SpoolerQueueWatch::tookDocument(const PrinterKey& queue, std::uint32_t jobId, Clock::time_point now) {
  const auto [entry, added] = watched_.try_emplace(queue);
  if (added) entry->second.nextLook = now + interval_;
  entry->second.jobs.insert(jobId);
}

std::optional<SpoolerQueueWatch::Clock::time_point> SpoolerQueueWatch::lookAtDue(Clock::time_point now) {
  std::optional<Clock::time_point> next;
  for (auto entry = watched_.begin(); entry != watched_.end();) {
    Watched& watched = entry->second;
    if (watched.nextLook <= now) {
      if (!lookAt(entry->first, watched)) {
        board_.printerCondition(entry->first, Trouble::none);
        entry = watched_.erase(entry);
        continue;
      }
      watched.nextLook = now + interval_;
    }
    next = std::min(next.value_or(watched.nextLook), watched.nextLook);
    ++entry;
  }
  return next;
}

bool SpoolerQueueWatch::lookAt(const PrinterKey& queue, Watched& watched) {
  const std::optional<platform::QueueActivity> activity = spooler_.queueActivity(utf8ToUtf16(queue.name));
  if (!activity) {
    // A deleted queue took our documents with it; a scheduler that cannot
    // be reached still has them in its spool.
    return spooler_.lastError() != platform::spooler_error::kInvalidPrinterName;
  }
  std::erase_if(watched.jobs, [&](std::uint32_t job) {
    return std::find(activity->unfinishedJobs.begin(), activity->unfinishedJobs.end(), job) ==
           activity->unfinishedJobs.end();
  });
  if (watched.jobs.empty()) return false;
  board_.printerCondition(queue, queueTrouble(*activity));
  return true;
}

}  // namespace lumetra
