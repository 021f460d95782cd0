#include "handover/kitchen_task_list.h"

#include <optional>

#include "base/log.h"
#include "functions/network_functions.h"
#include "support/net_printer_fixture.h"

namespace lumetra::test {
namespace {

class KitchenTaskListTest : public NetPrinterTest {
 protected:
  CallResult addItem(int slot, const char* lead, const char* body, const char* zoom, int feedLines, bool cut,
                     int signal) {
    return call("addMultiPrinterTaskItem",
                {arg(slot), arg(lead), arg(body), arg(zoom), arg(feedLines), arg(cut), arg(signal)});
  }
};

TEST_F(KitchenTaskListTest, ItemsReachTheirSlotsPrintersInQueueOrderAndLeaveNoSocket) {
  FakeNetworkPrinter hot("127.0.5.40");
  FakeNetworkPrinter cold("127.0.5.41");
  call("startIPPrintTask", {arg("127.0.5.40"), arg(0)});
  call("startIPPrintTask", {arg("127.0.5.41"), arg(1)});
  const std::size_t descriptorsBefore = openDescriptorCount();

  EXPECT_TRUE(addItem(1, "L", "body", "zoomH", 0, false, 0).isUndefined());
  EXPECT_TRUE(addItem(0, "", "热菜", "zoomIn", 3, true, 1).isUndefined());
  EXPECT_TRUE(addItem(1, "", "x", "ZOOMH", 0, false, 2).isUndefined());
  EXPECT_TRUE(addItem(2, "", "unbound slot", "", 0, true, 1).isUndefined());
  EXPECT_TRUE(call("printMultiKitchenTaskList", {}).isUndefined());

  const std::vector<std::string> hotTicket{
      hexBytes("1b 43 03 01 01  1b 21 30  c8 c8 b2 cb  1b 21 00  1b 4a 03  1d 56 01")};
  const std::vector<std::string> coldTickets{
      hexBytes("4c  1b 21 10  62 6f 64 79  1b 21 00"
               "1b 21 00  78  1b 21 00")};  // "ZOOMH" keeps the size stored last
  EXPECT_EQ(test::withoutStatusRequests(hot.waitForClosedConnections(1)), hotTicket);
  EXPECT_EQ(test::withoutStatusRequests(cold.waitForClosedConnections(1)), coldTickets);
  ASSERT_TRUE(waitUntilDelivered(context_.jobs));
  EXPECT_EQ(openDescriptorCount(), descriptorsBefore);

  // The list is empty now: a second run connects to nothing.
  call("printMultiKitchenTaskList", {});
  EXPECT_EQ(hot.waitForConnections(0) + cold.waitForConnections(0), 2u);
  EXPECT_EQ(dialogs(), "");
}

TEST_F(KitchenTaskListTest, FeedRunsThePreFeedThenTheLineCountItself) {
  FakeNetworkPrinter printer("127.0.5.42");
  kitchenTable()[model_offset::kPreFeedLines] = 3;
  kitchenTable()[model_offset::kPreFeedRepeat] = 2;
  call("startIPPrintTask", {arg("127.0.5.42"), arg(5)});
  addItem(5, "", "", "zoomW", 4, false, 0);
  call("printMultiKitchenTaskList", {});
  const std::vector<std::string> expected{hexBytes("1b 21 20  1b 21 00  1b 4a 15  1b 4a 15  1b 4a 04")};
  EXPECT_EQ(test::withoutStatusRequests(printer.waitForClosedConnections(1)), expected);
}

TEST_F(KitchenTaskListTest, ItemsThatCouldNeverPrintAreRefusedWhenQueued) {
  FakeNetworkPrinter printer("127.0.5.43");
  call("startIPPrintTask", {arg("127.0.5.43"), arg(0)});
  EXPECT_EQ(call("addMultiPrinterTaskItem", {arg(0), arg(""), arg("x"), arg(""), arg(0), arg(false)}),
            CallResult::boolean(false));
  EXPECT_EQ(addItem(6, "", "x", "", 0, false, 0), CallResult::boolean(false));
  EXPECT_EQ(addItem(-1, "", "x", "", 0, false, 0), CallResult::boolean(false));
  call("printMultiKitchenTaskList", {});  // nothing queued: no connection
  EXPECT_EQ(printer.waitForConnections(0), 0u);
}

// A page that queues without ever handing over is bounded: at most 1,000
// items and 64 MiB of text wait. Past either bound an item is refused (false)
// with one line on stderr, until the list is handed over and empty again.
TEST_F(KitchenTaskListTest, AFullListRefusesItemsWithOneLineUntilItIsHandedOver) {
  std::size_t fullLines = 0;
  ScopedLogCapture capture([&](LogLevel, std::string_view line) {
    fullLines += line.starts_with("the kitchen list is full (1000 items, 67108864 bytes of text at most)");
  });
  // Slot 3 is bound to no printer: the hand-over drops its items unprinted.
  for (int item = 0; item < 1000; ++item) ASSERT_TRUE(addItem(3, "", "x", "", 0, false, 0).isUndefined()) << item;
  EXPECT_EQ(addItem(3, "", "", "", 0, false, 0), CallResult::boolean(false));
  EXPECT_EQ(addItem(3, "", "x", "", 0, false, 0), CallResult::boolean(false));
  EXPECT_EQ(fullLines, 1u);

  call("printMultiKitchenTaskList", {});
  const std::string eighth(KitchenTaskList::kMaxTextBytes / 8, 'a');
  for (int item = 0; item < 4; ++item) {
    EXPECT_TRUE(call("addMultiPrinterTaskItem", {arg(3), CallArgument::string(eighth), CallArgument::string(eighth),
                                                 arg(""), arg(0), arg(false), arg(0)})
                    .isUndefined());
  }
  EXPECT_EQ(addItem(3, "", "", "x", 0, false, 0), CallResult::boolean(false));
  EXPECT_TRUE(addItem(3, "", "", "", 0, false, 0).isUndefined());
  EXPECT_EQ(fullLines, 2u);
  EXPECT_EQ(dialogs(), "");
}

TEST_F(KitchenTaskListTest, ADeadPrinterHoldsBackNoOtherAndItsTicketsWaitWithoutAMessageBox) {
  FakeNetworkPrinter first("127.0.5.44");
  std::optional<UnansweredListener> silent(std::in_place, "127.0.5.46");
  call("startIPPrintTask", {arg("127.0.5.44"), arg(0)});
  call("startIPPrintTask", {arg("127.0.5.45"), arg(1)});  // nothing listens: refused
  call("startIPPrintTask", {arg("127.0.5.46"), arg(2)});  // never answers
  addItem(1, "", "b", "", 0, false, 0);
  addItem(2, "", "c", "", 0, false, 0);
  addItem(0, "", "a", "", 0, false, 0);
  call("printMultiKitchenTaskList", {});

  EXPECT_EQ(test::withoutStatusRequests(first.waitForClosedConnections(1)),
            std::vector<std::string>{hexBytes("1b 21 00 61 1b 21 00")});
  const std::vector<PrinterBacklog> waiting = backlog_.waitFor([](const std::vector<PrinterBacklog>& backlog) {
    return backlog.size() == 2 && test::staffReason(backlog[1]) == "无法连接";
  });
  ASSERT_EQ(waiting.size(), 2u);
  EXPECT_EQ(waiting[0].printer, "127.0.5.45");
  EXPECT_EQ(test::staffReason(waiting[0]), "打印机拒绝连接");
  EXPECT_EQ(waiting[0].waiting, 1u);
  EXPECT_EQ(waiting[1].printer, "127.0.5.46");
  EXPECT_GT(waiting[1].sinceUnixSeconds, 0);
  EXPECT_EQ(dialogs(), "");

  // Both come back: each gets its ticket once, without the page doing anything.
  FakeNetworkPrinter second("127.0.5.45");
  silent.reset();
  FakeNetworkPrinter third("127.0.5.46");
  EXPECT_EQ(test::withoutStatusRequests(second.waitForClosedConnections(1)),
            std::vector<std::string>{hexBytes("1b 21 00 62 1b 21 00")});
  EXPECT_EQ(test::withoutStatusRequests(third.waitForClosedConnections(1)),
            std::vector<std::string>{hexBytes("1b 21 00 63 1b 21 00")});
  EXPECT_TRUE(backlog_.waitFor([](const std::vector<PrinterBacklog>& backlog) { return backlog.empty(); }).empty());
  EXPECT_EQ(first.waitForConnections(1) + second.waitForConnections(1) + third.waitForConnections(1), 3u);
}

TEST_F(KitchenTaskListTest, APrinterThatStopsReadingKeepsItsTicketUntilItReadsAgainAndPrintsItOnce) {
  FakeNetworkPrinter stuck("127.0.11.40");
  FakeNetworkPrinter fine("127.0.11.41");
  call("startIPPrintTask", {arg("127.0.11.40"), arg(0)});
  call("startIPPrintTask", {arg("127.0.11.41"), arg(1)});
  stuck.stopReading();
  // Far more than the socket buffers hold.
  const std::string longTicket(16 << 20, 'A');
  addItem(0, "", "z", "", 0, false, 0);
  addItem(0, "", longTicket.c_str(), "", 0, false, 0);
  addItem(1, "", "c", "", 0, false, 0);
  addItem(0, "", "b", "", 0, false, 0);
  addItem(1, "", "d", "", 0, false, 0);
  call("printMultiKitchenTaskList", {});

  const std::string normal = hexBytes("1b 21 00");
  EXPECT_EQ(test::withoutStatusRequests(fine.waitForClosedConnections(1)),
            std::vector<std::string>{normal + "c" + normal + normal + "d" + normal});
  backlog_.waitFor([](const std::vector<PrinterBacklog>& backlog) {
    return backlog.size() == 1 && test::staffReason(backlog[0]) == "打印机停止接收数据";
  });
  EXPECT_EQ(context_.jobs.outbox.waitingFor(PrinterKey{PrinterKind::network, "127.0.11.40"}), 1u);
  EXPECT_EQ(dialogs(), "");

  stuck.resumeReading();
  const std::string tickets = normal + "z" + normal + normal + longTicket + normal + normal + "b" + normal;
  const std::vector<std::string> streams = test::withoutStatusRequests(stuck.waitForClosedConnections(1));
  ASSERT_EQ(streams.size(), 1u);
  EXPECT_TRUE(streams[0] == tickets) << streams[0].size() << " bytes";
  ASSERT_TRUE(waitUntilDelivered(context_.jobs));
  EXPECT_EQ(stuck.waitForConnections(1), 1u);
}

}  // namespace
}  // namespace lumetra::test
