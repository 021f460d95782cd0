#include <gtest/gtest.h>

#include "jobs/pending_tasks.h"
#include "jobs/print_task_list.h"
#include "jobs/sample_receipt.h"
#include "printer/printer_registry.h"
#include "support/recording_spooler.h"
#include "support/test_context.h"

#include <thread>

namespace lumetra {
namespace {

using test::hexBytes;

const std::vector<std::string> kPrinted = {"open Receipt", "startDocument My Document RAW", "startPage",
                                           "write", "write", "write", "endPage", "endDocument", "close"};

std::string textTask(const std::string& printer, const std::string& text) {
  return R"({"printerName":")" + printer +
         R"(","ipaddress":"","printerType":2,"printerModel":"","contents":[{"type":0,"content":")" + text +
         R"(","remark":8}]})";
}

CallArguments oneString(const std::string& text) { return CallArguments({CallArgument::string(text)}); }

class PrintTaskListTest : public test::ContextTest {
 protected:
  void SetUp() override { spooler_.addPrinter(u"Receipt"); }

  test::ScopedWorkingDirectory cwd_{LUMETRA_SOURCE_DIR};  // the shipped dev/ models
};

TEST_F(PrintTaskListTest, PrintsAWholeReceiptInOneDocumentSplitAroundTheLogo) {
  EXPECT_EQ(call("printTask", oneString(test::sampleReceiptTask("Receipt", "", 2))), CallResult::undefined());
  EXPECT_EQ(spooler_.calls(), kPrinted);
  EXPECT_EQ(spooler_.writes(), test::sampleReceiptWrites());
  EXPECT_FALSE(findOrCreateSession(context_.printers, u"Receipt").isOpen());
  EXPECT_EQ(findOrCreateSession(context_.printers, u"Receipt").modelName, u"RQ2");
  EXPECT_TRUE(context_.jobs.pending.all().empty());
}

TEST_F(PrintTaskListTest, ListsPrintInOrderAndEmptyListsPrintNothing) {
  processTaskList(context_.jobs, "[" + textTask("Receipt", "one") + "," + textTask("Receipt", "two") + "]");
  EXPECT_EQ(spooler_.writes(), (std::vector<std::string>{hexBytes("1b 40") + "one", hexBytes("1b 40") + "two"}));
  spooler_.clearRecord();
  for (const char* nothing : {"[]", "[ ]", "", "not json", "{}", "[1,2]"}) processTaskList(context_.jobs, nothing);
  EXPECT_EQ(call("printTask", CallArguments()), CallResult::undefined());
  EXPECT_TRUE(spooler_.calls().empty());
  EXPECT_TRUE(context_.jobs.pending.all().empty());
}

TEST_F(PrintTaskListTest, AnOpenPrinterKeepsItsHandleAndCommandTable) {
  PrinterSession& session = findOrCreateSession(context_.printers, u"Receipt");
  session.handle = *spooler_.open(u"Receipt");
  session.commands[model_offset::kCut + 2] = 0x42;
  processTaskList(context_.jobs, R"({"printerName":"Receipt","ipaddress":"","printerType":2,"printerModel":"",)"
                  R"("contents":[{"type":1,"remark":1}]})");
  EXPECT_EQ(spooler_.writes(), std::vector<std::string>{hexBytes("1b 40 00 00 42")});
  EXPECT_TRUE(session.modelName.empty());
}

TEST_F(PrintTaskListTest, UnreachablePrintersQueueTheTaskUnchanged) {
  const std::string missing = textTask("Nowhere", "kept");
  processTaskList(context_.jobs, missing);
  spooler_.failNext("startDocument My Document RAW", 5);
  processTaskList(context_.jobs, textTask("Receipt", "doc"));
  spooler_.failNext("startPage", 5);
  processTaskList(context_.jobs, textTask("Receipt", "page"));
  EXPECT_TRUE(spooler_.writes().empty());
  EXPECT_EQ(spooler_.calls(), (std::vector<std::string>{"open Nowhere", "open Receipt", "startDocument My Document RAW",
                                                        "close", "open Receipt", "startDocument My Document RAW",
                                                        "startPage", "endDocument", "close"}));
  EXPECT_EQ(spooler_.openHandles(), 0u);
  EXPECT_EQ(context_.jobs.pending.all(), (std::vector<std::string>{missing, textTask("Receipt", "doc"), textTask("Receipt", "page")}));
  processTaskList(context_.jobs, R"({"printerName":"Nowhere","ipaddress":"","printerType":0,"printerModel":"","contents":[]})");
  EXPECT_EQ(context_.jobs.pending.all().size(), 3u);  // other types open nothing and always succeed
}

TEST_F(PrintTaskListTest, RetryRunsOffThePagesThreadUntilStopped) {
  processTaskList(context_.jobs, textTask("Kitchen", "late"));
  context_.jobs.retryInterval = std::chrono::milliseconds(1);
  startPendingTaskRetry(context_.jobs);
  startPendingTaskRetry(context_.jobs);  // a second message starts no second loop
  {
    MutexLock output(context_.printers.outputLock);  // the retry thread prints under it
    spooler_.addPrinter(u"Kitchen");
  }
  const auto printed = [this] {
    MutexLock output(context_.printers.outputLock);
    return !spooler_.writes().empty();
  };
  while (!printed()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  context_.jobs.retry.stop();
  EXPECT_EQ(spooler_.writes(), std::vector<std::string>{hexBytes("1b 40") + "late"});
  EXPECT_TRUE(context_.jobs.pending.all().empty());
}

}  // namespace
}  // namespace lumetra
