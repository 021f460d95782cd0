// Delivery confirmation from a printer that stops answering altogether, as
// when it loses power or its cable: only a network the test builds can drop
// a printer's packets, so these need root.
#include <gtest/gtest.h>
#include <unistd.h>

#include <optional>

#include "net/delivery_confirmation.h"
#include "platform/net/tcp_connection.h"
#include "support/network_namespace.h"

namespace lumetra::platform {
namespace {

using namespace std::chrono_literals;
using test::InsideNamespace;
using test::TestNamespace;

constexpr const char* kPrinterAddress = "10.77.9.2";
constexpr int kPort = 9100;

class SilentPrinterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root: the printer sits in network namespaces the test creates";
    till_.emplace("lumetra7", "till");
    printer_.emplace("lumetra7", "printer");
    test::linkNamespaces(*till_, "lan0", *printer_, "lan0");
    till_->ip({"addr", "add", "10.77.9.1/24", "dev", "lan0"});
    printer_->ip({"addr", "add", std::string(kPrinterAddress) + "/24", "dev", "lan0"});
    // It takes connections and bytes but never reads or closes them, as a
    // printer that keeps its port open.
    const InsideNamespace inside(*printer_);
    listener_.emplace(kPrinterAddress, kPort);
  }

  TcpConnection connectedToPrinter() {
    const InsideNamespace inside(*till_);
    TcpConnection connection = TcpConnection::create();
    EXPECT_TRUE(connection.setNonBlocking());
    EXPECT_EQ(connection.connect(ipv4Endpoint(kPrinterAddress, kPort), 3000ms), ConnectOutcome::connected);
    return connection;
  }

  std::vector<bool> sendTicketAndFinish(TcpConnection& connection) {
    EXPECT_TRUE(connection.send("ticket\n\x1d\x56\x01", 3000ms));
    TcpConnection* const connections[] = {&connection};
    return finishSending(connections, 3000ms);
  }

  std::optional<TestNamespace> till_;
  std::optional<TestNamespace> printer_;
  std::optional<test::Listener> listener_;
};

TEST_F(SilentPrinterTest, PrinterThatAnswersButKeepsItsPortOpenTookTheTicket) {
  TcpConnection connection = connectedToPrinter();
  EXPECT_EQ(sendTicketAndFinish(connection), std::vector<bool>{false});
}

TEST_F(SilentPrinterTest, PrinterThatStoppedAnsweringMayNotHaveTheTicket) {
  TcpConnection connection = connectedToPrinter();
  printer_->ip({"link", "set", "lan0", "down"});
  EXPECT_EQ(sendTicketAndFinish(connection), std::vector<bool>{true});
}

}  // namespace
}  // namespace lumetra::platform
