#include "net/discovery_targets.h"

#include <gtest/gtest.h>

#include <algorithm>

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

}  // namespace
}  // namespace lumetra
