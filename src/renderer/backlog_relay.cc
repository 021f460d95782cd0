#include "renderer/backlog_relay.h"

#include <utility>

namespace lumetra {

bool BacklogRelay::post(BacklogReport report) {
  MutexLock lock(mutex_);
  newest_ = std::move(report);
  return !std::exchange(wakeUpPending_, true);
}

std::optional<BacklogReport> BacklogRelay::take() {
  MutexLock lock(mutex_);
  wakeUpPending_ = false;
  return std::exchange(newest_, std::nullopt);
}

bool BacklogRelay::postStatesChanged() {
  MutexLock lock(mutex_);
  statesChanged_ = true;
  return !std::exchange(wakeUpPending_, true);
}

bool BacklogRelay::takeStatesChanged() {
  MutexLock lock(mutex_);
  return std::exchange(statesChanged_, false);
}

}  // namespace lumetra
