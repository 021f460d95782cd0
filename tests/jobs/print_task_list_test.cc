#include <gtest/gtest.h>

#include <thread>

#include "jobs/pending_tasks.h"
#include "jobs/print_task_list.h"
#include "jobs/sample_receipt.h"
#include "printer/printer_registry.h"
#include "support/recording_spooler.h"

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

class PrintTaskListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    printerRegistry().clear();
    clearPendingTasks();
    spooler_.addPrinter(u"Receipt");
  }
  void TearDown() override {
    stopPendingTaskRetry();
    printerRegistry().clear();
    clearPendingTasks();
  }

  test::ScopedWorkingDirectory cwd_{LUMETRA_SOURCE_DIR};  // the shipped dev/ models
  test::RecordingSpooler spooler_;
  platform::ScopedSpooler scoped_{spooler_};
};

TEST_F(PrintTaskListTest, PrintsAWholeReceiptInOneDocumentSplitAroundTheLogo) {
  EXPECT_EQ(printTask(oneString(test::sampleReceiptTask("Receipt", "", 2))), CallResult::undefined());
  EXPECT_EQ(spooler_.calls(), kPrinted);
  EXPECT_EQ(spooler_.writes(), test::sampleReceiptWrites());
  EXPECT_FALSE(findOrCreateSession(u"Receipt").isOpen());
  EXPECT_EQ(findOrCreateSession(u"Receipt").modelName, u"RQ2");
  EXPECT_TRUE(pendingTasks().empty());
}

TEST_F(PrintTaskListTest, ListsPrintInOrderAndEmptyListsPrintNothing) {
  processTaskList("[" + textTask("Receipt", "one") + "," + textTask("Receipt", "two") + "]");
  EXPECT_EQ(spooler_.writes(), (std::vector<std::string>{hexBytes("1b 40") + "one", hexBytes("1b 40") + "two"}));
  spooler_.clearRecord();
  for (const char* nothing : {"[]", "[ ]", "", "not json", "{}", "[1,2]"}) processTaskList(nothing);
  EXPECT_EQ(printTask(CallArguments()), CallResult::undefined());
  EXPECT_TRUE(spooler_.calls().empty());
  EXPECT_TRUE(pendingTasks().empty());
}

TEST_F(PrintTaskListTest, AnOpenPrinterKeepsItsHandleAndCommandTable) {
  PrinterSession& session = findOrCreateSession(u"Receipt");
  session.handle = *spooler_.open(u"Receipt");
  session.commands[model_offset::kCut + 2] = 0x42;
  processTaskList(R"({"printerName":"Receipt","ipaddress":"","printerType":2,"printerModel":"",)"
                  R"("contents":[{"type":1,"remark":1}]})");
  EXPECT_EQ(spooler_.writes(), std::vector<std::string>{hexBytes("1b 40 00 00 42")});
  EXPECT_TRUE(session.modelName.empty());
}

TEST_F(PrintTaskListTest, UnreachablePrintersQueueTheTaskUnchanged) {
  const std::string missing = textTask("Nowhere", "kept");
  processTaskList(missing);
  spooler_.failNext("startDocument My Document RAW", 5);
  processTaskList(textTask("Receipt", "doc"));
  spooler_.failNext("startPage", 5);
  processTaskList(textTask("Receipt", "page"));
  EXPECT_TRUE(spooler_.writes().empty());
  EXPECT_EQ(spooler_.calls(), (std::vector<std::string>{"open Nowhere", "open Receipt", "startDocument My Document RAW",
                                                        "close", "open Receipt", "startDocument My Document RAW",
                                                        "startPage", "endDocument", "close"}));
  EXPECT_EQ(spooler_.openHandles(), 0u);
  EXPECT_EQ(pendingTasks(), (std::vector<std::string>{missing, textTask("Receipt", "doc"), textTask("Receipt", "page")}));
  processTaskList(R"({"printerName":"Nowhere","ipaddress":"","printerType":0,"printerModel":"","contents":[]})");
  EXPECT_EQ(pendingTasks().size(), 3u);  // other types open nothing and always succeed
}

TEST_F(PrintTaskListTest, RetryRunsOffThePagesThreadUntilStopped) {
  processTaskList(textTask("Kitchen", "late"));
  startPendingTaskRetry(std::chrono::milliseconds(1));
  startPendingTaskRetry(std::chrono::milliseconds(1));  // a second message starts no second loop
  {
    const std::lock_guard lock(printerLock());  // the retry thread uses the spooler under it
    spooler_.addPrinter(u"Kitchen");
  }
  const auto printed = [this] {
    const std::lock_guard lock(printerLock());
    return !spooler_.writes().empty();
  };
  while (!printed()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  stopPendingTaskRetry();
  EXPECT_EQ(spooler_.writes(), std::vector<std::string>{hexBytes("1b 40") + "late"});
  EXPECT_TRUE(pendingTasks().empty());
}

}  // namespace
}  // namespace lumetra
