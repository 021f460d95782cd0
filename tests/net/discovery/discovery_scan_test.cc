#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <thread>

#include "net/discovery.h"
#include "platform/net/neighbour_table.h"
#include "support/fake_network_printer.h"
#include "support/network_namespace.h"
#include "support/recording_dialogs.h"
#include "support/test_context.h"

namespace lumetra {
namespace {

using test::ConnectAttempt;
using test::InsideNamespace;
using test::Listener;
using test::TestNamespace;

constexpr int kPort = 9100;

// getIPPrinterList as the page calls it inside the shop's network, its
// message boxes kept in `dialogs`.
CallResult::Strings scanInside(const TestNamespace& shop, platform::Dialogs& dialogs,
                               const CallArguments& arguments = {}) {
  const InsideNamespace inside(shop);
  test::requireOnlyTestSubnets();
  platform::UnavailableSpooler spooler;
  Context context(spooler, dialogs);
  const CallResult result = test::callFunction(context, "getIPPrinterList", arguments);
  if (!std::holds_alternative<CallResult::Strings>(result.value())) throw std::runtime_error("no array");
  return std::get<CallResult::Strings>(result.value());
}

CallResult::Strings sorted(CallResult::Strings list) {
  std::sort(list.begin(), list.end());
  return list;
}

std::ptrdiff_t positionOf(const CallResult::Strings& list, const std::string& address) {
  return std::find(list.begin(), list.end(), address) - list.begin();
}

// A shop namespace that scans and a printers namespace behind veth links.
class DiscoveryScanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root: the scan runs in network namespaces the test creates";
    shop_.emplace("lumetra7", "shop");
    printers_.emplace("lumetra7", "printers");
  }

  std::optional<TestNamespace> shop_;
  std::optional<TestNamespace> printers_;
  test::RecordingDialogs dialogs_;
};

// One /24: the shop's own address and .31 accept at once; .12 accepts only
// after about a second (its accept queue is full until then); .40 refuses;
// .50 accepts only after 3.5 seconds; the other hosts are absent.
TEST_F(DiscoveryScanTest, ListsTheHostsThatAcceptInTimeOnceEachInCompletionOrderAndSendsThemNothing) {
  linkNamespaces(*shop_, "lan0", *printers_, "lan0");
  shop_->ip({"addr", "add", "10.77.1.1/24", "dev", "lan0"});
  for (const std::string host : {"12", "31", "40", "50"}) {
    printers_->ip({"addr", "add", "10.77.1." + host + "/24", "dev", "lan0"});
  }
  std::optional<Listener> own, slow, quick, late;
  std::optional<ConnectAttempt> slowFiller, lateFiller, patientClient;
  {
    const InsideNamespace inside(*shop_);
    own.emplace("10.77.1.1", kPort);
  }
  {
    const InsideNamespace inside(*printers_);
    quick.emplace("10.77.1.31", kPort);
    slow.emplace("10.77.1.12", kPort, 0);
    late.emplace("10.77.1.50", kPort, 0);
    slowFiller.emplace("10.77.1.12", kPort);
    lateFiller.emplace("10.77.1.50", kPort);
  }
  // With backlog 0 one waiting connection fills the queue: SYNs are dropped.
  ASSERT_TRUE(slowFiller->connected(std::chrono::seconds(5)));
  ASSERT_TRUE(lateFiller->connected(std::chrono::seconds(5)));
  {
    const InsideNamespace inside(*shop_);
    patientClient.emplace("10.77.1.50", kPort);
  }
  // Frees .12's queue after half a second and .50's after 3.5 seconds.
  const auto start = std::chrono::steady_clock::now();
  std::thread opener([&] {
    std::this_thread::sleep_until(start + std::chrono::milliseconds(500));
    slowFiller.reset();
    slow->drainConnections();
    std::this_thread::sleep_until(start + std::chrono::milliseconds(3500));
    lateFiller.reset();
    late->drainConnections();
  });
  CallResult::Strings found;
  try {
    found = scanInside(*shop_, dialogs_);
  } catch (...) {
    opener.join();
    throw;
  }
  opener.join();

  EXPECT_EQ(sorted(found), (CallResult::Strings{"10.77.1.1", "10.77.1.12", "10.77.1.31"}));
  EXPECT_LT(positionOf(found, "10.77.1.31"), positionOf(found, "10.77.1.12")) << "not in completion order";
  EXPECT_TRUE(dialogs_.shown().empty());
  // One connection each, closed without a byte: a printer would print it.
  EXPECT_EQ(own->drainConnections(), std::vector<long>{0});
  EXPECT_EQ(quick->drainConnections(), std::vector<long>{0});
  EXPECT_EQ(slow->drainConnections(), std::vector<long>{0});
  // .50 is a real printer that answers a client patient enough.
  EXPECT_TRUE(patientClient->connected(std::chrono::seconds(30)));
}

// Three adapters: a /30, a /32 (with a route to its neighbours) and a /24
// holding two of the shop's addresses.
TEST_F(DiscoveryScanTest, CombinesEveryAdapterProbesExactlyTheHostsOfEachSubnetAndLeavesNothingOpen) {
  for (const std::string lan : {"lan0", "lan1", "lan2"}) linkNamespaces(*shop_, lan, *printers_, lan);
  shop_->ip({"addr", "add", "10.77.2.1/30", "dev", "lan0"});
  printers_->ip({"addr", "add", "10.77.2.2/30", "dev", "lan0"});
  shop_->ip({"addr", "add", "10.77.3.5/32", "dev", "lan1"});
  shop_->ip({"route", "add", "10.77.3.0/24", "dev", "lan1"});
  printers_->ip({"addr", "add", "10.77.3.6/24", "dev", "lan1"});
  shop_->ip({"addr", "add", "10.77.4.1/24", "dev", "lan2"});
  shop_->ip({"addr", "add", "10.77.4.2/24", "dev", "lan2"});
  printers_->ip({"addr", "add", "10.77.4.9/24", "dev", "lan2"});
  std::vector<std::unique_ptr<Listener>> listeners;
  {
    const InsideNamespace inside(*shop_);
    for (const char* own : {"10.77.2.1", "10.77.3.5"}) listeners.push_back(std::make_unique<Listener>(own, kPort));
  }
  {
    const InsideNamespace inside(*printers_);
    for (const char* printer : {"10.77.2.2", "10.77.3.6", "10.77.4.9"}) {
      listeners.push_back(std::make_unique<Listener>(printer, kPort));
    }
  }
  const std::size_t descriptorsBefore = test::openDescriptorCount();
  const int threadsBefore = test::threadCount();

  const CallResult::Strings found = scanInside(*shop_, dialogs_);

  EXPECT_EQ(sorted(found), (CallResult::Strings{"10.77.2.1", "10.77.2.2", "10.77.4.9"}));
  EXPECT_EQ(test::openDescriptorCount(), descriptorsBefore);
  EXPECT_EQ(test::threadCount(), threadsBefore);
  EXPECT_TRUE(dialogs_.shown().empty());
}

TEST_F(DiscoveryScanTest, SkipsLoopbackAndLinkLocalAddressesAndIgnoresArguments) {
  linkNamespaces(*shop_, "lan0", *printers_, "lan0");
  shop_->ip({"addr", "add", "169.254.7.1/30", "dev", "lan0"});
  printers_->ip({"addr", "add", "169.254.7.2/30", "dev", "lan0"});
  std::optional<Listener> loopback, linkLocal;
  {
    const InsideNamespace inside(*shop_);
    loopback.emplace("127.0.0.1", kPort);
  }
  {
    const InsideNamespace inside(*printers_);
    linkLocal.emplace("169.254.7.2", kPort);
  }

  const CallArguments arguments({CallArgument::string("10.77.9.0"), CallArgument::number(24)});
  EXPECT_EQ(scanInside(*shop_, dialogs_, arguments), CallResult::Strings{});
  EXPECT_TRUE(dialogs_.shown().empty());
}

// The table's size is the machine's; how long an unanswered address holds
// its entry is the longest of the namespace's interfaces.
TEST_F(DiscoveryScanTest, ReadsTheNeighbourTableLimitsOfTheNamespace) {
  std::size_t machineCapacity = 0;
  std::ifstream("/proc/sys/net/ipv4/neigh/default/gc_thresh3") >> machineCapacity;
  linkNamespaces(*shop_, "lan0", *printers_, "lan0");
  shop_->ip({"ntable", "change", "name", "arp_cache", "dev", "lan0", "mcast_probes", "5", "retrans", "1500"});

  std::optional<platform::NeighbourTableLimits> limits;
  {
    const InsideNamespace inside(*shop_);
    limits = platform::ipv4NeighbourTableLimits();
  }
  ASSERT_TRUE(limits);
  EXPECT_EQ(limits->capacity, machineCapacity);
  EXPECT_EQ(limits->unresolvedLifetime, std::chrono::milliseconds(7500));
}

}  // namespace
}  // namespace lumetra
