#include <gtest/gtest.h>

#include "handover/sample_receipt.h"
#include "handover/task_list_handover.h"
#include "printer/printers.h"
#include "support/recording_spooler.h"
#include "support/test_context.h"

namespace lumetra {
namespace {

using test::hexBytes;

const std::vector<std::string> kPrinted = {
    "open Receipt", "startDocument My Document RAW", "startPage", "write", "write", "write", "endPage", "endDocument",
    "close"};

std::string textTask(const std::string& printer, const std::string& text, int type = 2) {
  return R"({"printerName":")" + printer + R"(","ipaddress":"","printerType":)" + std::to_string(type) +
         R"(,"printerModel":"","contents":[{"type":0,"content":")" + text + R"(","remark":8}]})";
}

CallArguments oneString(const std::string& text) { return CallArguments({CallArgument::string(text)}); }

class PrintTaskListTest : public test::ContextTest {
 protected:
  void SetUp() override { spooler_.addPrinter(u"Receipt"); }

  // Every write the spooler got, once a last task has come out behind the
  // ones before it: the queue keeps the page's order.
  std::vector<std::string> writesUpTo(const std::string& lastText) {
    processTaskList(context_.jobs, textTask("Receipt", lastText));
    EXPECT_TRUE(test::waitUntilDelivered(context_.jobs));
    return spooler_.writes();
  }

  test::ScopedWorkingDirectory cwd_{LUMETRA_SOURCE_DIR};  // the shipped dev/ models
};

TEST_F(PrintTaskListTest, PrintsAWholeReceiptInOneDocumentSplitAroundTheLogo) {
  EXPECT_EQ(call("printTask", oneString(test::sampleReceiptTask("Receipt", "", 2))), CallResult::undefined());
  EXPECT_EQ(spooler_.waitForCalls(kPrinted.size()), kPrinted);
  EXPECT_EQ(spooler_.writes(), test::sampleReceiptWrites());
  EXPECT_FALSE(test::sessionOf(context_.printers, u"Receipt").isOpen());
  EXPECT_EQ(test::sessionOf(context_.printers, u"Receipt").modelName, u"RQ2");
  EXPECT_TRUE(test::waitUntilDelivered(context_.jobs));
}

TEST_F(PrintTaskListTest, ListsPrintInOrderAndWhatCanNeverPrintIsNotQueued) {
  processTaskList(context_.jobs, "[" + textTask("Receipt", "one") + "," + textTask("Receipt", "two") + "]");
  for (const char* nothing : {"[]", "[ ]", "", "not json", "{}", "[1,2]"}) processTaskList(context_.jobs, nothing);
  EXPECT_EQ(call("printTask", CallArguments()), CallResult::undefined());
  processTaskList(context_.jobs,
                  "[" + textTask("", "no queue named") + "," + textTask("Receipt", "other type", 0) + "]");
  EXPECT_EQ(writesUpTo("three"), (std::vector<std::string>{hexBytes("1b 40") + "one", hexBytes("1b 40") + "two",
                                                           hexBytes("1b 40") + "three"}));
}

// With the registry full, a queue not known yet still gets its receipt,
// laid out with its model, but is not remembered.
TEST_F(PrintTaskListTest, WithTheRegistryFullANewQueuesTaskStillPrintsWithItsModel) {
  for (std::size_t i = 0; i < kMaxPrinterSessions; ++i)
    test::sessionOf(context_.printers, u"Q" + std::u16string(i, u'x'));
  EXPECT_EQ(writesUpTo("one"), (std::vector<std::string>{hexBytes("1b 40") + "one"}));
  EXPECT_EQ(test::findSession(context_.printers, u"Receipt"), nullptr);
}

TEST_F(PrintTaskListTest, AQueueThePageHoldsOpenLendsItsTableToOneTaskAndIsLetGo) {
  PrinterSession& session = test::sessionOf(context_.printers, u"Receipt");
  session.handle = *spooler_.open(u"Receipt");
  session.commands[model_offset::kCut + 2] = 0x42;
  processTaskList(context_.jobs, R"({"printerName":"Receipt","ipaddress":"","printerType":2,"printerModel":"",)"
                                 R"("contents":[{"type":1,"remark":1}]})");
  EXPECT_FALSE(session.isOpen());
  ASSERT_TRUE(test::waitUntilDelivered(context_.jobs));
  EXPECT_EQ(spooler_.writes(), std::vector<std::string>{hexBytes("1b 40 00 00 42")});
  // The ticket went out as a document of its own, and the page's handle was closed.
  EXPECT_EQ(spooler_.openHandles(), 0u);
  EXPECT_TRUE(session.modelName.empty());
}

TEST_F(PrintTaskListTest, TicketsForAQueueThatRefusesWaitAndPrintOnceItTakesThem) {
  spooler_.failNext("startDocument My Document RAW", 1286);
  processTaskList(context_.jobs, textTask("Receipt", "refused once"));
  processTaskList(context_.jobs, textTask("Kitchen", "no such queue yet"));
  backlog_.waitFor([](const std::vector<PrinterBacklog>& backlog) {
    return backlog.size() == 1 && backlog[0].printer == "Kitchen";
  });
  EXPECT_EQ(backlog_.reasonsSeen("Receipt"), std::set<std::string>{"打印队列拒绝接收"});
  EXPECT_EQ(backlog_.reasonsSeen("Kitchen"), std::set<std::string>{"找不到打印队列"});
  EXPECT_EQ(spooler_.writes(), std::vector<std::string>{hexBytes("1b 40") + "refused once"});

  spooler_.addPrinter(u"Kitchen");
  ASSERT_TRUE(test::waitUntilDelivered(context_.jobs));
  EXPECT_EQ(spooler_.writes().back(), hexBytes("1b 40") + "no such queue yet");
  EXPECT_TRUE(backlog_.waitFor([](const std::vector<PrinterBacklog>& backlog) { return backlog.empty(); }).empty());
  EXPECT_EQ(spooler_.openHandles(), 0u);
}

}  // namespace
}  // namespace lumetra
