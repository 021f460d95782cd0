#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <optional>

#include "platform/net/neighbour_table.h"

namespace lumetra {

// How fast a scan may start probes: at most `probes` within any `window`.
// The window outlasts both a probe's timeout and the time the kernel keeps an
// unanswered address in its neighbour table, so the bound holds for the
// scan's sockets and for its share of that table at once.
struct ProbePace {
  std::size_t probes = 1;
  std::chrono::milliseconds window{0};
};

// The pace for probes that give up after `timeout`, given the neighbour
// table's limits (nullopt: unknown, the kernel's defaults are assumed) and
// the descriptors the process may hold.
ProbePace probePace(const std::optional<platform::NeighbourTableLimits>& table, std::size_t descriptorLimit,
                    std::chrono::milliseconds timeout);

// The descriptors a scan asks for before it settles its pace: two for each
// probe the neighbour table could take, so that the web process keeps at
// least as many for everything else.
std::size_t descriptorsWanted(const std::optional<platform::NeighbourTableLimits>& table);

// Start times of recent probes, to hold a scan to its pace.
class ProbePacer {
 public:
  using Clock = std::chrono::steady_clock;

  explicit ProbePacer(ProbePace pace) : pace_(pace) {}

  // When the next probe may start: `now`, or when the oldest start in the
  // window leaves it.
  Clock::time_point nextStart(Clock::time_point now);
  void started(Clock::time_point at) { starts_.push_back(at); }

 private:
  const ProbePace pace_;
  std::deque<Clock::time_point> starts_;
};

}  // namespace lumetra
