// Tickets to printers that drop packets, as one that lost power or its
// cable does: only a network the test builds can do that, so these need
// root.
#include <gtest/gtest.h>
#include <unistd.h>

#include <optional>

#include "net/ticket_send.h"
#include "platform/net/socket_wait.h"
#include "support/fake_network_printer.h"
#include "support/network_namespace.h"

namespace lumetra {
namespace {

using namespace std::chrono_literals;
using test::InsideNamespace;
using test::TestNamespace;
using Stage = TicketSend::Stage;

constexpr const char* kPrinterAddress = "10.77.9.2";
constexpr int kPort = 9100;
// The peer end wait is shorter than the silence limit, as in a shop.
constexpr TicketSendTimings kTimings{
    .connectWait = 3000ms, .answerWait = 300ms, .silenceLimit = 2s, .statusWait = 100ms, .peerEndWait = 500ms};

// Runs the send as the delivery thread does until it has ended, or for at
// most `limit`.
Stage drive(TicketSend& send, std::chrono::milliseconds limit) {
  platform::Wakeup wakeup;
  const auto end = TicketSend::Clock::now() + limit;
  for (auto now = TicketSend::Clock::now(); !send.ended() && now < end; now = TicketSend::Clock::now()) {
    if (send.advance(now) != Stage::connecting && send.ended()) break;
    const platform::SocketInterest interests[] = {send.interest()};
    platform::SocketWait::wait(interests, wakeup,
                               std::chrono::ceil<std::chrono::milliseconds>(std::min(send.nextCheck(now), end) - now));
  }
  return send.stage();
}

class SilentPrinterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root: the printer sits in network namespaces the test creates";
    till_.emplace("lumetra7", "till");
    printer_.emplace("lumetra7", "printer");
    test::linkNamespaces(*till_, "lan0", *printer_, "lan0");
    till_->ip({"addr", "add", "10.77.9.1/24", "dev", "lan0"});
    printer_->ip({"addr", "add", std::string(kPrinterAddress) + "/24", "dev", "lan0"});
    // It takes connections and bytes but never reads or closes them: a
    // printer out of paper, or one whose side never ends.
    const InsideNamespace inside(*printer_);
    listener_.emplace(kPrinterAddress, kPort);
  }

  TicketSend sendTicket() {
    const InsideNamespace inside(*till_);
    return TicketSend(platform::ipv4Endpoint(kPrinterAddress, kPort), "ticket\n\x1d\x56\x01", kTimings,
                      TicketSend::Clock::now());
  }

  std::optional<TestNamespace> till_;
  std::optional<TestNamespace> printer_;
  std::optional<test::Listener> listener_;
};

// It has acknowledged every byte and still answers after the peer end
// wait: whether it will read them is beyond what the connection can tell.
TEST_F(SilentPrinterTest, APrinterThatAnswersButNeverEndsItsSideHasTheTicketAfterThePeerEndWait) {
  TicketSend send = sendTicket();
  EXPECT_EQ(drive(send, 2 * kTimings.answerWait), Stage::finishing);
  EXPECT_FALSE(send.stalled(TicketSend::Clock::now()));  // it holds all there is
  EXPECT_EQ(drive(send, 30s), Stage::delivered);
}

// Silent from within the peer end wait: it may have lost what it held.
TEST_F(SilentPrinterTest, APrinterThatStopsAnsweringAltogetherHasLostTheTicket) {
  TicketSend send = sendTicket();
  ASSERT_EQ(drive(send, kTimings.answerWait), Stage::finishing);
  printer_->ip({"link", "set", "lan0", "down"});
  EXPECT_EQ(drive(send, 30s), Stage::interrupted);
}

TEST_F(SilentPrinterTest, APrinterOffTheNetworkIsNotAnsweringAndReachedAgainOnceBack) {
  printer_->ip({"link", "set", "lan0", "down"});
  TicketSend lost = sendTicket();
  EXPECT_EQ(drive(lost, 30s), Stage::unanswered);
  printer_->ip({"link", "set", "lan0", "up"});
  TicketSend back = sendTicket();
  EXPECT_EQ(drive(back, 30s), Stage::delivered);
}

// A connection request left unanswered is repeated by the system within
// the connect wait: a printer that comes back meanwhile is reached then,
// not at the next attempt.
TEST(TicketSendTest, APrinterThatStartsAnsweringDuringTheConnectWaitIsReachedThen) {
  test::FakeNetworkPrinter printer("127.0.6.30");
  printer.stopAnswering();
  TicketSend send(platform::ipv4Endpoint("127.0.6.30", kPort), "ticket", kTimings, TicketSend::Clock::now());
  EXPECT_EQ(drive(send, kTimings.answerWait), Stage::connecting);
  printer.answerAgain();
  EXPECT_EQ(drive(send, 30s), Stage::delivered);
  // The printer ignored the status request: sent the ticket as before.
  EXPECT_EQ(printer.waitForClosedConnections(1).back(), std::string(printerStatusRequest()) + "ticket");
}

// A printer that keeps its side open once it has every byte, as print
// servers do until an idle timeout of their own: the ticket is its own
// once it still answers after the peer end wait, and the connection is let
// go from here; a reset within the wait may have thrown the ticket away.
TEST(TicketSendTest, APrinterThatKeepsItsSideOpenHasTheTicketOnlyIfItDoesNotResetWithinThePeerEndWait) {
  test::FakeNetworkPrinter printer("127.0.6.31");
  printer.keepConnectionsOpen();
  const platform::Ipv4Endpoint endpoint = platform::ipv4Endpoint("127.0.6.31", kPort);
  TicketSend kept(endpoint, "ticket", kTimings, TicketSend::Clock::now());
  EXPECT_EQ(drive(kept, 30s), Stage::delivered);
  EXPECT_EQ(printer.keptConnectionsClosedBySender(), 1u);

  TicketSendTimings timings = kTimings;
  timings.peerEndWait = 1min;
  TicketSend reset(endpoint, "ticket", timings, TicketSend::Clock::now(), kept.abilities());
  EXPECT_EQ(drive(reset, 1s), Stage::finishing);
  EXPECT_EQ(printer.waitForEndsOfSending(2).back(), "ticket");
  printer.resetConnections();
  EXPECT_EQ(drive(reset, 30s), Stage::interrupted);
}

}  // namespace
}  // namespace lumetra
