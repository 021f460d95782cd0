#include "net/discovery_pace.h"

#include <algorithm>

namespace lumetra {
namespace {

// The kernel's defaults: gc_thresh3, and three solicitations a second apart.
constexpr platform::NeighbourTableLimits kDefaultTable{1024, std::chrono::seconds(3)};

// The scan takes at most three quarters of the machine's neighbour table, so
// the rest of the machine (the till's own traffic, other namespaces) can
// still resolve addresses: once the table is full the kernel drops packets to
// new addresses, a printer's included, and the scan would miss it.
constexpr std::size_t kTableShareNumerator = 3;
constexpr std::size_t kTableShareDenominator = 4;

// Beyond this a /16 is not much faster (about 35 s at this bound), while the
// shop's network carries three broadcast solicitations per probe.
constexpr std::size_t kMostProbesPerWindow = 6144;

// Timers of the kernel and of the scan fire a little late; the window covers
// that, so the entries of one round are gone before the next starts.
constexpr std::chrono::milliseconds kTimerSlack{250};

std::size_t tableShare(const std::optional<platform::NeighbourTableLimits>& table) {
  const std::size_t capacity = table.value_or(kDefaultTable).capacity;
  return std::clamp<std::size_t>(capacity / kTableShareDenominator * kTableShareNumerator, 1, kMostProbesPerWindow);
}

}  // namespace

ProbePace probePace(const std::optional<platform::NeighbourTableLimits>& table, std::size_t descriptorLimit,
                    std::chrono::milliseconds timeout) {
  const std::chrono::milliseconds lifetime = table.value_or(kDefaultTable).unresolvedLifetime;
  return ProbePace{std::max<std::size_t>(1, std::min(tableShare(table), descriptorLimit / 2)),
                   std::max(timeout, lifetime) + kTimerSlack};
}

std::size_t descriptorsWanted(const std::optional<platform::NeighbourTableLimits>& table) {
  return 2 * tableShare(table);
}

ProbePacer::Clock::time_point ProbePacer::nextStart(Clock::time_point now) {
  while (!starts_.empty() && starts_.front() + pace_.window <= now) starts_.pop_front();
  if (starts_.size() < pace_.probes) return now;
  return starts_[starts_.size() - pace_.probes] + pace_.window;
}

}  // namespace lumetra
