#include "net/discovery_targets.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "net/discovery_pace.h"

namespace lumetra {
namespace {

constexpr std::uint32_t address(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) {
  return a << 24 | b << 16 | c << 8 | d;
}

std::vector<std::uint32_t> allTargets(const std::vector<platform::Ipv4InterfaceAddress>& locals) {
  ProbeTargets targets(locals);
  std::vector<std::uint32_t> all;
  while (const auto next = targets.next()) all.push_back(*next);
  return all;
}

std::size_t targetCount(std::uint32_t local, std::uint32_t netmask) { return allTargets({{local, netmask}}).size(); }

// Network and broadcast addresses can never be printers; the machine's own
// address is tried like any other.
TEST(ProbeTargetsTest, CoverTheHostsOfASubnetBetweenItsNetworkAndBroadcastAddresses) {
  const auto hosts = allTargets({{address(192, 168, 1, 20), address(255, 255, 255, 0)}});
  ASSERT_EQ(hosts.size(), 254u);
  EXPECT_EQ(hosts.front(), address(192, 168, 1, 1));
  EXPECT_EQ(hosts.back(), address(192, 168, 1, 254));
  EXPECT_TRUE(std::is_sorted(hosts.begin(), hosts.end()));

  EXPECT_EQ(allTargets({{address(10, 0, 0, 6), address(255, 255, 255, 252)}}),
            (std::vector<std::uint32_t>{address(10, 0, 0, 5), address(10, 0, 0, 6)}));
  EXPECT_EQ(targetCount(address(10, 0, 0, 6), address(255, 255, 255, 254)), 0u);
  EXPECT_EQ(targetCount(address(10, 0, 0, 6), address(255, 255, 255, 255)), 0u);
  EXPECT_EQ(targetCount(address(255, 255, 255, 255), address(255, 255, 255, 255)), 0u) << "wrapped round";
  EXPECT_EQ(targetCount(address(172, 16, 9, 9), address(255, 255, 0, 0)), 65534u);
}

TEST(ProbeTargetsTest, LeaveOutLoopbackHostAndLinkLocalAddresses) {
  EXPECT_EQ(targetCount(address(127, 0, 0, 1), address(255, 0, 0, 0)), 0u);
  EXPECT_EQ(targetCount(address(169, 254, 7, 1), address(255, 255, 255, 252)), 0u);
  EXPECT_EQ(targetCount(address(169, 254, 200, 1), address(255, 255, 0, 0)), 0u);
  EXPECT_EQ(targetCount(address(169, 253, 7, 1), address(255, 255, 255, 252)), 2u);
  EXPECT_EQ(targetCount(address(169, 255, 7, 1), address(255, 255, 255, 252)), 2u);
}

// Hosts reachable through several of the machine's addresses are tried once,
// in the order the subnets come.
TEST(ProbeTargetsTest, TryEveryHostOfEverySubnetOnceInSubnetOrder) {
  const platform::Ipv4InterfaceAddress wide{address(10, 1, 0, 1), address(255, 255, 0, 0)};
  const platform::Ipv4InterfaceAddress narrow{address(10, 1, 5, 1), address(255, 255, 255, 0)};
  const platform::Ipv4InterfaceAddress narrowAgain{address(10, 1, 5, 2), address(255, 255, 255, 0)};
  const platform::Ipv4InterfaceAddress other{address(192, 168, 3, 1), address(255, 255, 255, 252)};

  const auto narrowFirst = allTargets({narrow, narrowAgain, wide, other});
  EXPECT_EQ(narrowFirst.size(), 65534u + 2u);
  EXPECT_EQ(narrowFirst[0], address(10, 1, 5, 1));
  EXPECT_EQ(narrowFirst[254], address(10, 1, 0, 1));
  EXPECT_EQ(narrowFirst[65534], address(192, 168, 3, 1));
  std::vector<std::uint32_t> unique = narrowFirst;
  std::sort(unique.begin(), unique.end());
  EXPECT_EQ(std::unique(unique.begin(), unique.end()), unique.end());

  EXPECT_EQ(allTargets({wide, narrow}).size(), 65534u);
}

// A scan takes three quarters of the neighbour table at most, and half of
// its descriptors; its window outlasts both the probe timeout and the time an
// unanswered address holds its entry.
TEST(ProbePaceTest, FollowsTheNeighbourTableAndTheDescriptorLimit) {
  using std::chrono::milliseconds;
  using std::chrono::seconds;
  struct Case {
    std::optional<platform::NeighbourTableLimits> table;
    std::size_t descriptors;
    std::size_t probes;
    milliseconds window;
    std::size_t descriptorsWanted;
  };
  const Case cases[] = {
      {platform::NeighbourTableLimits{1024, seconds(3)}, 20000, 768, milliseconds(3250), 1536},
      {std::nullopt, 20000, 768, milliseconds(3250), 1536},
      {platform::NeighbourTableLimits{1024, seconds(3)}, 1024, 512, milliseconds(3250), 1536},
      {platform::NeighbourTableLimits{1024, seconds(3)}, 1, 1, milliseconds(3250), 1536},
      {platform::NeighbourTableLimits{8192, milliseconds(7500)}, 1 << 20, 6144, milliseconds(7750), 12288},
      {platform::NeighbourTableLimits{1 << 20, seconds(1)}, 1 << 20, 6144, milliseconds(3250), 12288},
      {platform::NeighbourTableLimits{1, seconds(3)}, 20000, 1, milliseconds(3250), 2},
  };
  for (const Case& c : cases) {
    const ProbePace pace = probePace(c.table, c.descriptors, seconds(3));
    EXPECT_EQ(pace.probes, c.probes) << c.descriptors;
    EXPECT_EQ(pace.window, c.window) << c.descriptors;
    EXPECT_EQ(descriptorsWanted(c.table), c.descriptorsWanted);
  }
}

TEST(ProbePaceTest, PacerHoldsEachProbeUntilTheOldestStartLeavesTheWindow) {
  using Clock = ProbePacer::Clock;
  using std::chrono::milliseconds;
  ProbePacer pacer(ProbePace{2, milliseconds(1000)});
  const Clock::time_point t0 = Clock::now();
  EXPECT_EQ(pacer.nextStart(t0), t0);
  pacer.started(t0);
  EXPECT_EQ(pacer.nextStart(t0 + milliseconds(100)), t0 + milliseconds(100));
  pacer.started(t0 + milliseconds(100));
  EXPECT_EQ(pacer.nextStart(t0 + milliseconds(200)), t0 + milliseconds(1000));
  EXPECT_EQ(pacer.nextStart(t0 + milliseconds(1000)), t0 + milliseconds(1000));
  pacer.started(t0 + milliseconds(1000));
  EXPECT_EQ(pacer.nextStart(t0 + milliseconds(1050)), t0 + milliseconds(1100));
}

}  // namespace
}  // namespace lumetra
