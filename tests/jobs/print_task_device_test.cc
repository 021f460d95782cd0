#include <gtest/gtest.h>

#include "jobs/pending_tasks.h"
#include "jobs/print_task_list.h"
#include "jobs/sample_receipt.h"
#include "platform/print/cups_spooler.h"
#include "printer/model_config_loader.h"
#include "printer/printer_registry.h"
#include "support/cupsd_fixture.h"
#include "support/fake_network_printer.h"

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

class PrintTaskDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    printerRegistry().clear();
    clearPendingTasks();
    loadModelConfig(kKitchenPrinterName, u"RQ2");  // network tasks print with this table
  }
  void TearDown() override {
    printerRegistry().clear();
    clearPendingTasks();
  }

  test::ScopedWorkingDirectory cwd_{LUMETRA_SOURCE_DIR};
};

TEST_F(PrintTaskDeviceTest, ReceiptReachesANetworkPrinterByteExact) {
  test::FakeNetworkPrinter printer("127.0.6.1");
  processTaskList(test::sampleReceiptTask("Bar", "127.0.6.1", 3));
  EXPECT_EQ(printer.waitForClosedConnections(1), std::vector<std::string>{sampleReceiptBytes()});
  EXPECT_TRUE(pendingTasks().empty());
}

TEST_F(PrintTaskDeviceTest, ReceiptReachesACupsRawQueueByteExact) {
  test::PrivateCupsd cupsd;
  test::FakeNetworkPrinter device("127.0.6.2");
  cupsd.addRawQueue("Receipt", device.deviceUri());
  const platform::ScopedSpooler spooler(platform::systemSpooler());
  processTaskList(test::sampleReceiptTask("Receipt", "", 2));
  EXPECT_EQ(device.job(1), sampleReceiptBytes()) << cupsd.errorLog();
  EXPECT_TRUE(pendingTasks().empty());
}

TEST_F(PrintTaskDeviceTest, TaskForAPrinterThatIsDownPrintsOnceWhenItComesUp) {
  const std::string task = test::sampleReceiptTask("Bar", "127.0.6.3", 3);
  processTaskList(task);
  ASSERT_EQ(pendingTasks(), std::vector<std::string>{task});  // the page's printer name kept
  retryPendingTasks();
  ASSERT_EQ(pendingTasks(), std::vector<std::string>{task});

  test::FakeNetworkPrinter printer("127.0.6.3");
  retryPendingTasks();
  EXPECT_EQ(printer.waitForClosedConnections(1), std::vector<std::string>{sampleReceiptBytes()});
  EXPECT_TRUE(pendingTasks().empty());
  retryPendingTasks();
  EXPECT_EQ(printer.received(), sampleReceiptBytes());
}

TEST_F(PrintTaskDeviceTest, PendingTasksKeepTheirOrder) {
  test::FakeNetworkPrinter bar("127.0.6.5");
  processTaskList("[" + lineTask("127.0.6.4", "A") + "," + lineTask("127.0.6.5", "B") + "," +
                  lineTask("127.0.6.4", "C") + "]");
  EXPECT_EQ(bar.waitForClosedConnections(1), std::vector<std::string>{test::hexBytes("1b 40") + "B"});
  ASSERT_EQ(pendingTasks(), (std::vector<std::string>{lineTask("127.0.6.4", "A"), lineTask("127.0.6.4", "C")}));

  test::FakeNetworkPrinter kitchen("127.0.6.4");
  retryPendingTasks();  // one connection per printer and pass
  EXPECT_EQ(kitchen.waitForClosedConnections(1),
            std::vector<std::string>{test::hexBytes("1b 40") + "A" + test::hexBytes("1b 40") + "C"});
  EXPECT_TRUE(pendingTasks().empty());
}

}  // namespace
}  // namespace lumetra
