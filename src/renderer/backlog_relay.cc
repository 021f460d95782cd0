#include "renderer/backlog_relay.h"

#include <utility>

namespace lumetra {

bool BacklogRelay::post(std::vector<PrinterBacklog> backlogs) {
  MutexLock lock(mutex_);
  newest_ = std::move(backlogs);
  return !std::exchange(wakeUpPending_, true);
}

std::optional<std::vector<PrinterBacklog>> BacklogRelay::take() {
  MutexLock lock(mutex_);
  wakeUpPending_ = false;
  return std::exchange(newest_, std::nullopt);
}

}  // namespace lumetra
