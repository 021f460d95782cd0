// Print tasks to network printers in each state a printer can be in: what
// each printer gets (every ticket, in order, once; twice only where a fault
// hit it), and what the staff are told; and what they are told of spooler
// queues that stop.
#include <gtest/gtest.h>
#include <signal.h>

#include "base/code_page.h"
#include "handover/backup_plan.h"
#include "handover/task_list_handover.h"
#include "platform/print/cups_spooler.h"
#include "printer/realtime_status.h"
#include "support/captured_log.h"
#include "support/child_process.h"
#include "support/cupsd_fixture.h"
#include "support/fake_network_printer.h"
#include "support/printer_faults.h"
#include "support/test_context.h"

namespace lumetra {
namespace {

using test::FakeNetworkPrinter;

std::string task(const std::string& address, const std::string& text) {
  return R"({"printerName":"Bar","ipaddress":")" + address +
         R"(","printerType":3,"printerModel":"","contents":[{"type":0,"content":")" + text + R"(","remark":8}]})";
}

std::string spoolerTask(const std::string& queue, const std::string& text) {
  return R"({"printerName":")" + queue +
         R"(","ipaddress":"","printerType":2,"printerModel":"","contents":[)"
         R"({"type":0,"content":")" +
         text + R"(","remark":8}]})";
}

std::string taskList(const std::string& address, const std::vector<std::string>& texts) {
  std::string list = "[";
  for (const std::string& text : texts) list += (list.size() > 1 ? "," : "") + task(address, text);
  return list + "]";
}

// What the printer gets for a task of that text (the kitchen table is all zeros here).
std::string printed(const std::string& text) { return std::string("\x1b\x40", 2) + text; }

// Each connection's bytes, marked "!" when the printer ended it itself.
std::vector<std::string> connections(const FakeNetworkPrinter& printer, std::size_t closed) {
  printer.waitForClosedConnections(closed);
  std::vector<std::string> seen;
  for (const auto& connection : printer.connectionRecords()) {
    seen.push_back((connection.endedByPrinter ? "!" : "") + test::withoutStatusRequest(connection.bytes));
  }
  return seen;
}

// Whether the staff are shown `reason` for `printer` (within a hang guard).
bool reported(const test::BacklogRecorder& backlog, const std::string& printer, const std::string& reason) {
  backlog.waitFor([&](const std::vector<PrinterBacklog>& now) {
    return std::any_of(now.begin(), now.end(), [&](const PrinterBacklog& entry) {
      return entry.printer == printer && test::staffReason(entry) == reason;
    });
  });
  return backlog.reasonsSeen(printer).contains(reason);
}

bool reportedNothing(const test::BacklogRecorder& backlog) {
  return backlog.waitFor([](const std::vector<PrinterBacklog>& now) { return now.empty(); }).empty();
}

class DeliveryTest : public test::ContextTest {
 protected:
  bool reported(const std::string& printer, const std::string& reason) {
    return lumetra::reported(backlog_, printer, reason);
  }
};

// Tickets that do not fit the socket buffers: the printer cannot have
// acknowledged every byte. (One that fits is acknowledged whole, and a
// printer that keeps its side open then has it, as below.)
TEST_F(DeliveryTest, AStalledPrinterKeepsItsTicketsWaitingAndGetsEachOnceAfterAPowerCycle) {
  const std::string address = "127.0.6.21";
  FakeNetworkPrinter printer(address);
  printer.stopReading();
  const std::vector<std::string> texts{"1" + std::string(256 << 10, 'a'), "2" + std::string(256 << 10, 'b'), "3"};
  processTaskList(context_.jobs, taskList(address, texts));
  EXPECT_TRUE(reported(address, "打印机停止接收数据"));
  EXPECT_EQ(context_.jobs.outbox.waitingFor(PrinterKey{PrinterKind::network, address}), 3u);

  printer.cutPower();  // what it held unread is gone
  printer.switchOn();
  const std::vector<std::string> got = connections(printer, 4);
  ASSERT_EQ(got.size(), 4u);
  EXPECT_EQ(got[0], "!");  // the first ticket's connection, reset with nothing printed
  // Its bytes were acknowledged before the cut: from here it may have
  // printed, so it comes again as a copy.
  EXPECT_TRUE(got[1] == "\x1b@" + utf8ToAnsi("补打\n") + printed(texts[0]) && got[2] == printed(texts[1]) &&
              got[3] == printed(texts[2]));
  EXPECT_TRUE(test::waitUntilDelivered(context_.jobs));
}

// A printer without real-time status is asked once, on its first
// connection; it gets its tickets byte for byte as before and nobody is told.
TEST_F(DeliveryTest, APrinterThatNeverAnswersStatusIsAskedOnceAndGetsItsTicketsAsBefore) {
  FakeNetworkPrinter printer("127.0.6.24");
  processTaskList(context_.jobs, taskList("127.0.6.24", {"one", "two"}));
  EXPECT_EQ(printer.waitForClosedConnections(2),
            (std::vector<std::string>{std::string(printerStatusRequest()) + printed("one"), printed("two")}));
  EXPECT_TRUE(test::waitUntilDelivered(context_.jobs));
  EXPECT_TRUE(backlog_.reasonsSeen("127.0.6.24").empty());
}

TEST_F(DeliveryTest, ASlowPrinterGetsItsTicketOnceAndIsNeverReportedStuck) {
  FakeNetworkPrinter printer("127.0.6.22", 9100, 4096);
  printer.readSlowly(2048, std::chrono::milliseconds(20));  // about 100 KB/s
  const std::string text(100 << 10, 's');
  processTaskList(context_.jobs, task("127.0.6.22", text));
  EXPECT_TRUE(connections(printer, 1) == std::vector<std::string>{printed(text)});
  EXPECT_TRUE(test::waitUntilDelivered(context_.jobs));
  EXPECT_EQ(backlog_.reasonsSeen("127.0.6.22"), std::set<std::string>{});
}

TEST_F(DeliveryTest, AFlappingPrinterGetsEveryTicketInOrderAndOnlyTheOneAResetHitTwice) {
  FakeNetworkPrinter printer("127.0.6.23");
  const std::size_t descriptorsBefore = test::openDescriptorCount();
  printer.switchOff();
  processTaskList(context_.jobs, taskList("127.0.6.23", {"one", "two", "three"}));
  EXPECT_TRUE(reported("127.0.6.23", "打印机拒绝连接"));
  printer.stopAnswering();
  printer.switchOn();
  EXPECT_TRUE(reported("127.0.6.23", "无法连接"));
  printer.resetMidTicket(3 + 4);  // past the status request it ignores, in the middle of "one"
  printer.answerAgain();
  EXPECT_TRUE(reported("127.0.6.23", "打印中断，将重新打印"));

  // The ticket the reset cut is marked as a copy: part of it may be on paper.
  EXPECT_EQ(connections(printer, 4),
            (std::vector<std::string>{"!" + printed("on"), "\x1b@" + utf8ToAnsi("补打\n") + printed("one"),
                                      printed("two"), printed("three")}));
  EXPECT_TRUE(test::waitUntilDelivered(context_.jobs));
  EXPECT_TRUE(reportedNothing(backlog_));
  EXPECT_EQ(test::openDescriptorCount(), descriptorsBefore);
}

// A printer, or a print server in front of one, that keeps its side of
// each connection open once it has every byte, until an idle timeout of
// its own: each ticket is its own after the peer end wait, and the
// connection is let go from here, so the next ticket goes at once.
TEST_F(DeliveryTest, APrinterThatKeepsItsSideOpenGetsEveryTicketOnceAndIsLetGoEachTime) {
  FakeNetworkPrinter printer("127.0.6.25");
  printer.keepConnectionsOpen();
  const std::vector<std::string> texts{"one", "two", "three", "four", "five"};
  processTaskList(context_.jobs, taskList("127.0.6.25", texts));
  EXPECT_TRUE(test::waitUntilDelivered(context_.jobs));
  std::vector<std::string> expected;
  for (const std::string& text : texts) expected.push_back(printed(text));
  EXPECT_EQ(test::withoutStatusRequests(printer.waitForEndsOfSending(texts.size())), expected);
  EXPECT_EQ(printer.keptConnectionsClosedBySender(), texts.size());
  EXPECT_TRUE(backlog_.reasonsSeen("127.0.6.25").empty());
}

// Spooler queues of a private scheduler, delivered to as the web process does.
class SpoolerQueueDeliveryTest : public ::testing::Test {
 protected:
  SpoolerQueueDeliveryTest() { test::startQuickDelivery(context_, journalFolder_.path(), backlog_); }

  test::PrivateCupsd cupsd_;
  platform::CupsSpooler spooler_;
  test::RecordingDialogs dialogs_;
  test::TempDir journalFolder_;
  test::BacklogRecorder backlog_;
  Context context_{spooler_, dialogs_};
};

TEST_F(SpoolerQueueDeliveryTest, AQueueThatStopsWithOurTicketShowsWhyUntilItPrintedOrDroppedIt) {
  test::FakeNetworkPrinter kitchen("127.0.6.30");
  cupsd_.addStoppedQueue("Kitchen", kitchen.deviceUri());
  cupsd_.addStoppedQueue("Grill", "socket://127.0.6.33:9100");
  // Out of paper, but it holds nothing of ours: never the staff's concern.
  cupsd_.addQueueWithReason("Bar", "socket://127.0.6.31:9100", "media-empty-error");
  processTaskList(context_.jobs, "[" + spoolerTask("Kitchen", "soup") + "," + spoolerTask("Grill", "steak") + "]");
  EXPECT_TRUE(test::waitUntilDelivered(context_.jobs));  // the spooler took them
  EXPECT_TRUE(reported(backlog_, "Kitchen", "打印队列已暂停")) << cupsd_.errorLog();
  EXPECT_TRUE(reported(backlog_, "Grill", "打印队列已暂停"));
  cupsd_.deleteQueue("Grill");  // and our ticket with it
  cupsd_.setReason("Kitchen", "media-empty-error");
  EXPECT_TRUE(reported(backlog_, "Kitchen", "打印机缺纸，请装纸"));

  cupsd_.setReason("Kitchen", "none");
  cupsd_.startQueue("Kitchen");
  EXPECT_EQ(kitchen.job(1), printed("soup"));
  EXPECT_TRUE(reportedNothing(backlog_));
  EXPECT_EQ(backlog_.reasonsSeen("Bar"), std::set<std::string>{});
}

TEST_F(SpoolerQueueDeliveryTest, AQueueThatRefusesTicketsShowsTheReasonItNamesAndPrintsThemOnceItTakesThem) {
  test::FakeNetworkPrinter bar("127.0.6.32");
  cupsd_.addQueueWithReason("Bar", bar.deviceUri(), "media-empty-error");
  cupsd_.rejectJobs("Bar");
  processTaskList(context_.jobs, spoolerTask("Bar", "beer"));
  EXPECT_TRUE(reported(backlog_, "Bar", "打印机缺纸，请装纸")) << cupsd_.errorLog();
  EXPECT_EQ(context_.jobs.outbox.waitingFor(PrinterKey{PrinterKind::spooler, "Bar"}), 1u);

  cupsd_.setReason("Bar", "none");
  cupsd_.acceptJobs("Bar");
  EXPECT_EQ(bar.job(1), printed("beer"));
  EXPECT_TRUE(reportedNothing(backlog_));
}

// A printer that takes no ticket for the backup wait has its waiting and
// new tickets printed by its backup, each headed by the printer's name, and
// the staff are told; once it takes tickets again, new ones go to it.
TEST(BackupDeliveryTest, ABackupTakesOverAfterTheWaitAndGivesBackWhenThePrinterReturns) {
  FakeNetworkPrinter grill("127.0.6.50");
  FakeNetworkPrinter backup("127.0.6.51");
  grill.switchOff();
  test::TempDir folder;
  test::BacklogRecorder backlog;
  test::TestContextHolder holder;
  PrintJobs& jobs = holder.context.jobs;
  jobs.timings = test::quickDeliveryTimings();
  jobs.timings.backups = {
      {PrinterKey{PrinterKind::network, grill.address()}, {PrinterKind::network, backup.address()}}};
  jobs.onBacklogChanged = backlog.listener();
  startDelivery(jobs, folder.path());

  processTaskList(jobs, taskList(grill.address(), {"one", "two"}));
  const std::string fromGrill = "\x1b@" + utf8ToAnsi("转自 127.0.6.50\n");
  EXPECT_EQ(connections(backup, 2), (std::vector<std::string>{fromGrill + printed("one"), fromGrill + printed("two")}));
  EXPECT_TRUE(reported(backlog, grill.address(), "打印机无响应，单据改由备用打印机打印"));
  processTaskList(jobs, task(grill.address(), "three"));
  EXPECT_EQ(connections(backup, 3).back(), fromGrill + printed("three"));
  EXPECT_TRUE(backlog.targets().front() == (PrinterKey{PrinterKind::network, backup.address()}));

  grill.switchOn();
  EXPECT_TRUE(reportedNothing(backlog));
  processTaskList(jobs, task(grill.address(), "four"));
  grill.waitForText(printed("four"));
  EXPECT_TRUE(test::waitUntilDelivered(jobs));
  EXPECT_EQ(backup.connectionRecords().size(), 3u);
}

// A backup that has a backup of its own, or is the printer itself, is
// refused at start and said so; the other lines hold.
TEST(BackupDeliveryTest, ChainsAndCyclesOfBackupsAreRefusedAtStart) {
  test::CapturedLog log;
  const std::map<PrinterKey, PrinterKey> plan = backupPlan({{"10.0.0.1", "10.0.0.2"},
                                                            {"10.0.0.2", "厨房"},
                                                            {"吧台", "10.0.0.4"},
                                                            {"10.0.0.4", "吧台"},
                                                            {"10.0.0.9", "10.0.0.9"},
                                                            {"10.0.0.010", "10.0.0.11"}});
  EXPECT_EQ(plan, (std::map<PrinterKey, PrinterKey>{
                      {{PrinterKind::network, "10.0.0.2"}, {PrinterKind::spooler, "厨房"}},
                      {{PrinterKind::network, "10.0.0.8"}, {PrinterKind::network, "10.0.0.11"}}}));
  EXPECT_EQ(log.count("a chain or a cycle"), 4u);
}

// The web process is killed while its printer slowly takes tickets; the
// next one, started in the same folder, prints what the first had taken and
// not delivered. Only the ticket on its way at the kill may come out twice.
TEST(DeliveryCrashTest, NoTicketIsLostWhenTheProcessIsKilledInTheMiddleOfDelivering) {
  FakeNetworkPrinter printer("127.0.6.40", 9100, 4096);
  printer.readSlowly(512, std::chrono::milliseconds(2));
  test::TempDir folder;
  constexpr int kTickets = 20;
  std::vector<int> handedOver;
  {
    test::ChildProcess first(DELIVERY_CHILD_EXECUTABLE, {folder.path().string()});
    for (int ticket = 0; ticket < kTickets; ++ticket) {
      first.writeInput(task("127.0.6.40", test::ticketText(ticket) + std::string(4000, '.') + "|") + "\n");
      ASSERT_EQ(first.readLine(), "taken");
      handedOver.push_back(ticket);
    }
    printer.waitForText(test::ticketText(3));
    first.sendSignal(SIGKILL);
    first.wait();
  }
  test::ChildProcess second(DELIVERY_CHILD_EXECUTABLE, {folder.path().string()});
  printer.waitForText(test::ticketText(kTickets - 1) + std::string(4000, '.') + "|");
  std::vector<std::string> streams;
  for (const auto& connection : printer.connectionRecords()) streams.push_back(connection.bytes);
  const test::PrintedTickets tickets = test::readTickets(streams, "\x1b\x40", std::string(4000, '.') + "|");
  EXPECT_EQ(test::ticketFaults(handedOver, tickets), "");
  EXPECT_LE(tickets.printedAgain() + tickets.cutOff, 1);
}

}  // namespace
}  // namespace lumetra
