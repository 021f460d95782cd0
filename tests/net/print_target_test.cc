#include "net/print_target.h"

#include <chrono>
#include <thread>

#include "platform/net/tcp_connection.h"
#include "support/net_printer_test.h"
#include "support/recording_spooler.h"

namespace lumetra::test {
namespace {

class PrintTargetTest : public NetPrinterTest {
 protected:
  int writeTo(const std::u16string& address, std::string_view bytes) {
    return writeToPrintTarget(context_.network, u"", address, bytes, kNetworkPrinterType);
  }
};

TEST_F(PrintTargetTest, SpoolerPrinterGetsOneWriteOnlyWhenOpen) {
  RecordingSpooler& recorder = spooler_;
  recorder.addPrinter(u"厨房");

  EXPECT_EQ(writeToPrintTarget(context_.network, u"厨房", u"", "closed", kSpoolerPrinterType), kPrintTargetWritten);
  EXPECT_TRUE(recorder.writes().empty());

  findOrCreateSession(context_.printers, u"厨房").handle = *recorder.open(u"厨房");
  EXPECT_EQ(writeToPrintTarget(context_.network, u"厨房", u"127.0.5.1", hexBytes("1b 40 41"), kSpoolerPrinterType),
            kPrintTargetWritten);
  recorder.failNext("write", 5);
  EXPECT_EQ(writeToPrintTarget(context_.network, u"厨房", u"", "B", kSpoolerPrinterType), kPrintTargetWriteFailed);
  EXPECT_EQ(writeToPrintTarget(context_.network, u"厨房", u"", "C", 1), kPrintTargetWritten);
  EXPECT_EQ(recorder.writes(), std::vector<std::string>{hexBytes("1b 40 41")});
}

TEST_F(PrintTargetTest, TaskConnectionCarriesEveryByteUntilClosed) {
  FakeNetworkPrinter printer("127.0.5.2");
  const std::size_t descriptorsBefore = openDescriptorCount();
  EXPECT_EQ(writeTo(u"127.0.5.2", "before open"), kPrintTargetWritten);  // nothing to write to

  ASSERT_EQ(openTaskConnection(context_.network, u"127.0.5.2"), kTaskConnectionOpen);
  EXPECT_EQ(openTaskConnection(context_.network, u"127.0.5.2"), kTaskConnectionOpen);  // found open
  EXPECT_EQ(writeTo(u"127.0.5.2", "ticket 1|"), kPrintTargetWritten);
  // Far more than the socket buffers hold: the printer must get all of it.
  std::string image(8 << 20, '\0');
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<char>(i * 131 % 251);
  EXPECT_EQ(writeTo(u"127.0.5.2", image), kPrintTargetWritten);
  closeTaskConnections(context_.network);

  EXPECT_EQ(printer.waitForClosedConnections(1), std::vector<std::string>{"ticket 1|" + image});
  EXPECT_EQ(openDescriptorCount(), descriptorsBefore);
  EXPECT_EQ(writeTo(u"127.0.5.2", "after close"), kPrintTargetWritten);
  EXPECT_EQ(printer.waitForConnections(1), 1u);
}

TEST_F(PrintTargetTest, RefusedOrUnansweredPrinterIsReportedAndLeavesNoConnection) {
  const std::size_t descriptorsBefore = openDescriptorCount();
  EXPECT_EQ(openTaskConnection(context_.network, u"127.0.5.3"), kTaskConnectionFailed);  // refused
  EXPECT_EQ(openTaskConnection(context_.network, u"not an address"), kTaskConnectionFailed);
  {
    UnansweredListener busy("127.0.5.4");
    EXPECT_EQ(openTaskConnection(context_.network, u"127.0.5.4"), kTaskConnectionFailed);
  }
  EXPECT_EQ(openDescriptorCount(), descriptorsBefore);
  EXPECT_EQ(dialogs(), "");

  // No entry was left behind to pass for an open connection later.
  FakeNetworkPrinter printer("127.0.5.3");
  ASSERT_EQ(openTaskConnection(context_.network, u"127.0.5.3"), kTaskConnectionOpen);
  writeTo(u"127.0.5.3", "late");
  closeTaskConnections(context_.network);
  EXPECT_EQ(printer.waitForClosedConnections(1), std::vector<std::string>{"late"});
}

TEST_F(PrintTargetTest, PrinterGoneMidTicketFailsTheWriteAndIsReconnectedForTheNextTask) {
  FakeNetworkPrinter printer("127.0.5.5");
  ASSERT_EQ(openTaskConnection(context_.network, u"127.0.5.5"), kTaskConnectionOpen);
  writeTo(u"127.0.5.5", "first");
  ASSERT_EQ(printer.waitForBytes(5), "first");
  printer.dropConnections();

  // Writing into the reset connection must neither raise SIGPIPE nor pass.
  int result = kPrintTargetWritten;
  for (int attempt = 0; attempt < 3 && result == kPrintTargetWritten; ++attempt) {
    result = writeTo(u"127.0.5.5", "lost");
  }
  EXPECT_EQ(result, kPrintTargetWriteFailed);
  EXPECT_EQ(writeTo(u"127.0.5.5", "lost"), kPrintTargetWriteFailed);

  ASSERT_EQ(openTaskConnection(context_.network, u"127.0.5.5"), kTaskConnectionOpen);
  writeTo(u"127.0.5.5", "second");
  closeTaskConnections(context_.network);
  EXPECT_EQ(printer.waitForClosedConnections(2), (std::vector<std::string>{"first", "second"}));
}

TEST_F(PrintTargetTest, PrinterThatStopsTakingBytesFailsTheWriteInsteadOfHanging) {
  FakeNetworkPrinter printer("127.0.5.6");
  ASSERT_EQ(openTaskConnection(context_.network, u"127.0.5.6"), kTaskConnectionOpen);
  printer.stopReading();
  const std::string tooMuch(16 << 20, 'x');
  EXPECT_EQ(writeTo(u"127.0.5.6", tooMuch), kPrintTargetWriteFailed);
  EXPECT_EQ(writeTo(u"127.0.5.6", "next"), kPrintTargetWriteFailed);  // at once, no second wait
}

TEST_F(PrintTargetTest, ConnectionTellsAPrinterThatEndedInOrderFromOneThatReset) {
  FakeNetworkPrinter printer("127.0.11.42");
  platform::TcpConnection connection = platform::TcpConnection::create();
  ASSERT_TRUE(connection.setNonBlocking());
  ASSERT_EQ(connection.connect(platform::ipv4Endpoint("127.0.11.42", kRawPrinterPort), kPrinterAnswerWait),
            platform::ConnectOutcome::connected);
  ASSERT_TRUE(connection.send("read", kPrinterAnswerWait));
  printer.waitForBytes(4);
  EXPECT_EQ(connection.peerState(), platform::TcpConnection::PeerState::open);

  // The printer's answer travels on its own; wait for it (bounded only
  // against a hang).
  using State = platform::TcpConnection::PeerState;
  const auto stateAfter = [&](State before) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    State state = connection.peerState();
    while (state == before && std::chrono::steady_clock::now() < giveUp) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      state = connection.peerState();
    }
    return state;
  };
  printer.dropConnections();  // nothing unread: an orderly end
  EXPECT_EQ(stateAfter(State::open), State::finished);
  EXPECT_FALSE(connection.isConnected());

  // Bytes after the end meet a reset: they were not taken.
  connection.send("lost", kPrinterAnswerWait);
  EXPECT_EQ(stateAfter(State::finished), State::lost);
  EXPECT_EQ(printer.received(), "read");
}

TEST_F(PrintTargetTest, ClosingConfirmsOnlyPrintersThatEndAfterBeingToldThatAllHasCome) {
  FakeNetworkPrinter steady("127.0.11.48");
  FakeNetworkPrinter quitter("127.0.11.49");
  ASSERT_EQ(openTaskConnection(context_.network, u"127.0.11.48"), kTaskConnectionOpen);
  ASSERT_EQ(openTaskConnection(context_.network, u"127.0.11.49"), kTaskConnectionOpen);
  writeTo(u"127.0.11.48", "a");
  writeTo(u"127.0.11.49", "b");
  quitter.waitForBytes(1);
  // It ends the connection on its own: bytes sent after its last read would
  // have been dropped, so what it got cannot count as confirmed.
  quitter.dropConnections();
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (taskConnectionState(context_.network, u"127.0.11.49") == platform::TcpConnection::PeerState::open &&
         std::chrono::steady_clock::now() < giveUp) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_EQ(closeTaskConnections(context_.network), std::vector<std::u16string>{u"127.0.11.49"});
  EXPECT_EQ(steady.waitForClosedConnections(1), std::vector<std::string>{"a"});
  EXPECT_EQ(taskConnectionId(context_.network, u"127.0.11.48"), 0u);
}

}  // namespace
}  // namespace lumetra::test
