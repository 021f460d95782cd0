#include <gtest/gtest.h>

#include "handover/sample_receipt.h"
#include "handover/task_list_handover.h"
#include "platform/print/cups_spooler.h"
#include "printer/model_config_loader.h"
#include "printer/printers.h"
#include "support/call_arguments.h"
#include "support/cupsd_fixture.h"
#include "support/fake_network_printer.h"
#include "support/test_context.h"

namespace lumetra {
namespace {

// The receipt as one stream, as a device receives it.
std::string sampleReceiptBytes() {
  std::string all;
  for (const std::string& write : test::sampleReceiptWrites()) all += write;
  return all;
}

std::string lineTask(const std::string& address, const std::string& text) {
  return R"({"printerName":"Kitchen","ipaddress":")" + address +
         R"(","printerType":3,"printerModel":"","contents":[{"type":0,"content":")" + text + R"(","remark":8}]})";
}

class PrintTaskDeviceTest : public test::ContextTest {
 protected:
  void SetUp() override {
    // Network tasks print with this table.
    loadModelConfig(test::kitchenCommands(context_.printers), u"RQ2");
  }

  test::ScopedWorkingDirectory cwd_{LUMETRA_SOURCE_DIR};
};

// A raw queue "Receipt" of a private cupsd in front of a test device, and a
// window function context that prints through that cupsd.
struct CupsReceiptQueue {
  CupsReceiptQueue(const std::string& deviceAddress, platform::Dialogs& dialogs)
      : device(deviceAddress), context(spooler, dialogs) {
    cupsd.addRawQueue("Receipt", device.deviceUri());
    test::startQuickDelivery(context, journal.path(), backlog);
  }

  test::PrivateCupsd cupsd;
  test::FakeNetworkPrinter device;
  platform::CupsSpooler spooler;
  test::TempDir journal;
  test::BacklogRecorder backlog;
  Context context;
};

TEST_F(PrintTaskDeviceTest, ReceiptReachesANetworkPrinterByteExact) {
  test::FakeNetworkPrinter printer("127.0.6.1");
  processTaskList(context_.jobs, test::sampleReceiptTask("Bar", "127.0.6.1", 3));
  EXPECT_EQ(test::withoutStatusRequests(printer.waitForClosedConnections(1)),
            std::vector<std::string>{sampleReceiptBytes()});
  EXPECT_TRUE(test::waitUntilDelivered(context_.jobs));
}

TEST_F(PrintTaskDeviceTest, ReceiptReachesACupsRawQueueByteExact) {
  CupsReceiptQueue queue("127.0.6.2", dialogs_);
  processTaskList(queue.context.jobs, test::sampleReceiptTask("Receipt", "", 2));
  EXPECT_EQ(queue.device.job(1), sampleReceiptBytes()) << queue.cupsd.errorLog();
  EXPECT_TRUE(test::waitUntilDelivered(queue.context.jobs));
}

// The page's open queue lends its model to the one task that follows and is
// closed by it, as when tasks printed on the page's handle: the page is told
// so by its next call, and the queue's later tasks print with their own model.
TEST_F(PrintTaskDeviceTest, ATaskClosesTheQueueThePageOpenedAndTheNextOneUsesItsOwnModel) {
  CupsReceiptQueue queue("127.0.6.3", dialogs_);
  Context& withCups = queue.context;
  const CallArguments wideTallA =
      test::callArgs(R"({"printerName":"Receipt","ipaddress":"","printerType":2,"printerModel":"RQ2",)"
                     R"("contents":[{"type":0,"content":"A","remark":3}]})");

  ASSERT_EQ(test::callFunction(withCups, "openPrinterWithModel", test::callArgs("Receipt", "QV52K")),
            CallResult::boolean(true));
  test::callFunction(withCups, "printTask", wideTallA);
  EXPECT_EQ(test::callFunction(withCups, "printText", test::callArgs("Receipt", "x")), CallResult::boolean(false));
  test::callFunction(withCups, "printTask", wideTallA);
  EXPECT_EQ(queue.device.job(1), test::hexBytes("1b 40  1b 21 30") + "A") << queue.cupsd.errorLog();  // QV52K's ESC !
  EXPECT_EQ(queue.device.job(2), test::hexBytes("1b 40  1d 21 11") + "A") << queue.cupsd.errorLog();  // RQ2's GS !
  EXPECT_TRUE(test::waitUntilDelivered(withCups.jobs));
}

TEST_F(PrintTaskDeviceTest, TasksForAPrinterThatIsDownPrintOnceInOrderWhenItComesUpAndHoldBackNoOther) {
  test::FakeNetworkPrinter bar("127.0.6.5");
  processTaskList(context_.jobs, "[" + lineTask("127.0.6.4", "A") + "," + lineTask("127.0.6.5", "B") + "," +
                                     lineTask("127.0.6.4", "C") + "]");
  EXPECT_EQ(test::withoutStatusRequests(bar.waitForClosedConnections(1)),
            std::vector<std::string>{test::hexBytes("1b 40") + "B"});
  backlog_.waitFor([](const std::vector<PrinterBacklog>& backlog) { return !backlog.empty(); });
  EXPECT_EQ(context_.jobs.outbox.waitingFor(PrinterKey{PrinterKind::network, "127.0.6.4"}), 2u);

  // Nothing more from the page: the printer gets its tickets once it is back.
  test::FakeNetworkPrinter kitchen("127.0.6.4");
  const std::vector<std::string> expected{test::hexBytes("1b 40") + "A", test::hexBytes("1b 40") + "C"};
  EXPECT_EQ(test::withoutStatusRequests(kitchen.waitForClosedConnections(2)), expected);
  EXPECT_TRUE(test::waitUntilDelivered(context_.jobs));
}

TEST_F(PrintTaskDeviceTest, ATaskWhoseAddressIsNoIpv4AddressIsRefusedAtOnce) {
  test::FakeNetworkPrinter printer("127.0.6.6");
  processTaskList(context_.jobs, "[" + lineTask("", "empty") + "," + lineTask("not-an-ip", "text") + "," +
                                     lineTask("127.0.6.6", "kept") + "]");
  EXPECT_EQ(test::withoutStatusRequests(printer.waitForClosedConnections(1)),
            std::vector<std::string>{test::hexBytes("1b 40") + "kept"});
  EXPECT_TRUE(test::waitUntilDelivered(context_.jobs));
  EXPECT_TRUE(backlog_.last().empty());
}

}  // namespace
}  // namespace lumetra
