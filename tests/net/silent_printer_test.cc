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
constexpr TicketSendTimings kTimings{3000ms, 300ms, 2s, 100ms};

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

TEST_F(SilentPrinterTest, APrinterThatAnswersButNeverEndsItsSideKeepsTheTicketOnItsWay) {
  TicketSend send = sendTicket();
  EXPECT_EQ(drive(send, 2 * kTimings.answerWait), Stage::finishing);
  EXPECT_TRUE(send.stalled(TicketSend::Clock::now()));
  // Still answering well past the silence limit: it is stuck, not gone.
  EXPECT_EQ(drive(send, 2 * kTimings.silenceLimit), Stage::finishing);
}

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
  EXPECT_EQ(drive(back, kTimings.connectWait), Stage::finishing);
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

}  // namespace
}  // namespace lumetra
