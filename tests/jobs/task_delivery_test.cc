#include <gtest/gtest.h>

#include "jobs/pending_tasks.h"
#include "jobs/print_task_list.h"
#include "net/print_target.h"
#include "printer/printer_registry.h"
#include "support/fake_network_printer.h"
#include "support/temp_dir.h"
#include "support/test_context.h"

namespace lumetra::test {
namespace {

std::string textTask(const std::string& address, const std::string& text) {
  return R"({"printerName":"Bar","ipaddress":")" + address +
         R"(","printerType":3,"printerModel":"","contents":[{"type":0,"content":")" + text + R"(","remark":8}]})";
}

std::string printed(const std::string& text) { return hexBytes("1b 40") + text; }

using TaskDeliveryTest = test::ContextTest;

TEST_F(TaskDeliveryTest, TasksOfAPrinterThatFailsMidTaskGoAgainWholeAndInOrder) {
  FakeNetworkPrinter printer("127.0.11.43");
  printer.stopReading();
  // Far more than the socket buffers hold, so the stuck printer fails it.
  const std::string longText(16 << 20, 'L');
  const std::string first = textTask("127.0.11.43", "first");
  const std::string cutOff = textTask("127.0.11.43", longText);
  processTaskList(context_.jobs, "[" + first + "," + cutOff + "]");
  // The printer may have lost what it held: the first task goes again too.
  ASSERT_EQ(context_.jobs.pending.all(), (std::vector<std::string>{first, cutOff}));

  printer.resumeReading();
  retryPendingTasks(context_.jobs);
  EXPECT_TRUE(context_.jobs.pending.all().empty());
  const std::vector<std::string> streams = printer.waitForClosedConnections(2);
  ASSERT_EQ(streams.size(), 2u);
  EXPECT_EQ(streams[0].compare(0, printed("first").size(), printed("first")), 0);
  EXPECT_LT(streams[0].size(), printed("first").size() + printed(longText).size());
  EXPECT_TRUE(streams[1] == printed("first") + printed(longText)) << streams[1].size() << " bytes";
}

TEST_F(TaskDeliveryTest, APrinterThatIsBackPrintsItsWaitingTasksBeforeTheNewOne) {
  const std::string older = textTask("127.0.11.44", "A");
  const std::string elsewhere = textTask("127.0.11.45", "X");
  processTaskList(context_.jobs, "[" + older + "," + elsewhere + "]");  // nothing listens yet
  ASSERT_EQ(context_.jobs.pending.all(), (std::vector<std::string>{older, elsewhere}));

  FakeNetworkPrinter printer("127.0.11.44");
  processTaskList(context_.jobs, textTask("127.0.11.44", "B"));
  EXPECT_EQ(printer.waitForClosedConnections(1), std::vector<std::string>{printed("A") + printed("B")});
  EXPECT_EQ(context_.jobs.pending.all(), std::vector<std::string>{elsewhere});
}

TEST_F(TaskDeliveryTest, ARetryPassKeepsEachPrintersOrder) {
  const std::string a1 = textTask("127.0.11.46", "a1");
  const std::string b1 = textTask("127.0.11.47", "b1");
  const std::string a2 = textTask("127.0.11.46", "a2");
  processTaskList(context_.jobs, "[" + a1 + "," + b1 + "," + a2 + "]");
  ASSERT_EQ(context_.jobs.pending.all(), (std::vector<std::string>{a1, b1, a2}));

  FakeNetworkPrinter b("127.0.11.47");
  retryPendingTasks(context_.jobs);  // a is still down: its tasks wait in their order
  EXPECT_EQ(context_.jobs.pending.all(), (std::vector<std::string>{a1, a2}));
  EXPECT_EQ(b.waitForClosedConnections(1), std::vector<std::string>{printed("b1")});

  FakeNetworkPrinter a("127.0.11.46");
  retryPendingTasks(context_.jobs);
  EXPECT_EQ(a.waitForClosedConnections(1), std::vector<std::string>{printed("a1") + printed("a2")});
  EXPECT_TRUE(context_.jobs.pending.all().empty());
}

}  // namespace
}  // namespace lumetra::test
