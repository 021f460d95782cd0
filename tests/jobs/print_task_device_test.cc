#include <gtest/gtest.h>

#include "jobs/pending_tasks.h"
#include "jobs/print_task_list.h"
#include "jobs/sample_receipt.h"
#include "platform/print/cups_spooler.h"
#include "printer/model_config_loader.h"
#include "printer/printer_registry.h"
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
    loadModelConfig(findOrCreateSession(context_.printers, kKitchenPrinterName).commands, u"RQ2");
  }

  test::ScopedWorkingDirectory cwd_{LUMETRA_SOURCE_DIR};
};

TEST_F(PrintTaskDeviceTest, ReceiptReachesANetworkPrinterByteExact) {
  test::FakeNetworkPrinter printer("127.0.6.1");
  processTaskList(context_.jobs, test::sampleReceiptTask("Bar", "127.0.6.1", 3));
  EXPECT_EQ(printer.waitForClosedConnections(1), std::vector<std::string>{sampleReceiptBytes()});
  EXPECT_TRUE(context_.jobs.pending.all().empty());
}

TEST_F(PrintTaskDeviceTest, ReceiptReachesACupsRawQueueByteExact) {
  test::PrivateCupsd cupsd;
  test::FakeNetworkPrinter device("127.0.6.2");
  cupsd.addRawQueue("Receipt", device.deviceUri());
  platform::CupsSpooler spooler;
  Context withCups(spooler, dialogs_);
  processTaskList(withCups.jobs, test::sampleReceiptTask("Receipt", "", 2));
  EXPECT_EQ(device.job(1), sampleReceiptBytes()) << cupsd.errorLog();
  EXPECT_TRUE(withCups.jobs.pending.all().empty());
}

TEST_F(PrintTaskDeviceTest, TaskForAPrinterThatIsDownPrintsOnceWhenItComesUp) {
  const std::string task = test::sampleReceiptTask("Bar", "127.0.6.3", 3);
  processTaskList(context_.jobs, task);
  ASSERT_EQ(context_.jobs.pending.all(), std::vector<std::string>{task});  // the page's printer name kept
  retryPendingTasks(context_.jobs);
  ASSERT_EQ(context_.jobs.pending.all(), std::vector<std::string>{task});

  test::FakeNetworkPrinter printer("127.0.6.3");
  retryPendingTasks(context_.jobs);
  EXPECT_EQ(printer.waitForClosedConnections(1), std::vector<std::string>{sampleReceiptBytes()});
  EXPECT_TRUE(context_.jobs.pending.all().empty());
  retryPendingTasks(context_.jobs);
  EXPECT_EQ(printer.received(), sampleReceiptBytes());
}

TEST_F(PrintTaskDeviceTest, PendingTasksKeepTheirOrder) {
  test::FakeNetworkPrinter bar("127.0.6.5");
  processTaskList(context_.jobs, "[" + lineTask("127.0.6.4", "A") + "," + lineTask("127.0.6.5", "B") + "," +
                  lineTask("127.0.6.4", "C") + "]");
  EXPECT_EQ(bar.waitForClosedConnections(1), std::vector<std::string>{test::hexBytes("1b 40") + "B"});
  ASSERT_EQ(context_.jobs.pending.all(), (std::vector<std::string>{lineTask("127.0.6.4", "A"), lineTask("127.0.6.4", "C")}));

  test::FakeNetworkPrinter kitchen("127.0.6.4");
  retryPendingTasks(context_.jobs);  // one connection per printer and pass
  EXPECT_EQ(kitchen.waitForClosedConnections(1),
            std::vector<std::string>{test::hexBytes("1b 40") + "A" + test::hexBytes("1b 40") + "C"});
  EXPECT_TRUE(context_.jobs.pending.all().empty());
}

}  // namespace
}  // namespace lumetra
