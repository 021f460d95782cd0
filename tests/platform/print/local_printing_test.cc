// The page's printer functions against a real scheduler with raw queues.
#include <gtest/gtest.h>

#include "functions/printer_functions.h"
#include "platform/print/cups_spooler.h"
#include "printer/printers.h"
#include "support/call_arguments.h"
#include "support/cupsd_fixture.h"
#include "support/fake_network_printer.h"
#include "support/temp_dir.h"
#include "support/test_context.h"

namespace lumetra {
namespace {

using test::callArgs;
using test::hexBytes;

const CallResult kTrue = CallResult::boolean(true);
const CallResult kFalse = CallResult::boolean(false);

// The web process as the host sets it up: the system spooler installed, a
// model folder in the current directory, message boxes logged.
class LocalPrintingTest : public ::testing::Test {
 protected:
  LocalPrintingTest() {
    folder_.write("dev/T80.ini", "[roll]\ncmd=27,74,0\n[cut]\ncmd=29,86,0\np=1\n[zoom]\ncmd=29,33,0\np1=16\np2=1\n");
  }
  std::string dialogs() const { return test::readFile(folder_.path() / "dialogs.log"); }
  CallResult call(std::string_view name, const CallArguments& arguments) {
    return test::callFunction(context_, name, arguments);
  }

  test::PrivateCupsd cupsd_;
  platform::CupsSpooler spooler_;
  test::TempDir folder_;
  test::ScopedWorkingDirectory cwd_{folder_.path()};
  platform::LoggedDialogs dialogs_{folder_.path() / "dialogs.log", platform::DialogAnswer::no};
  Context context_{spooler_, dialogs_};
};

TEST_F(LocalPrintingTest, AReceiptTaskReachesTheDeviceAsExactlyItsBytes) {
  test::FakeNetworkPrinter device("127.0.3.10");
  cupsd_.addRawQueue("Receipt", device.deviceUri());
  call("getPrinterDiffConfig", callArgs("Receipt", "T80"));

  EXPECT_EQ(call("startPrintTask", callArgs("Receipt")), kTrue);
  EXPECT_EQ(call("printText", callArgs("Receipt", "宫保鸡丁 x1\n", "zoomIn")), kTrue);
  EXPECT_EQ(call("printText", callArgs("Receipt", "")), kTrue);
  EXPECT_EQ(call("rollPaper", callArgs("Receipt", 3)), kTrue);
  EXPECT_EQ(call("cutPaper", callArgs("Receipt")), kTrue);
  EXPECT_EQ(call("openCashDraw", callArgs("Receipt")), kTrue);
  EXPECT_EQ(call("endPrintTask", callArgs("Receipt")), kTrue);

  EXPECT_EQ(device.job(1), hexBytes("1d 21 11"                             // double size
                                    "b9 ac b1 a3 bc a6 b6 a1 20 78 31 0a"  // 宫保鸡丁 x1 in GBK
                                    "1d 21 00"                             // normal size
                                    "1d 21 00"                             // the empty text's reset
                                    "1b 4a 15"                             // feed 3 lines
                                    "1d 56 00"                             // cut
                                    "1b 70 01 32 32"));                    // drawer pulse
  EXPECT_EQ(dialogs(), "");
}

TEST_F(LocalPrintingTest, APrinterClosedInTheMiddleOfATaskStillPrintsWhatItGot) {
  test::FakeNetworkPrinter device("127.0.3.11");
  cupsd_.addRawQueue("Receipt", device.deviceUri());
  ASSERT_EQ(call("startPrintTask", callArgs("Receipt")), kTrue);
  call("printTagContent", callArgs("Receipt", "A"));
  // A second start while the first task is open is refused and releases
  // the printer, which delivers the first task.
  EXPECT_EQ(call("startPrintTask", callArgs("Receipt")), kFalse);
  EXPECT_EQ(dialogs(), "StartDocPrinter\t1906\n");
  EXPECT_EQ(device.job(1), "A\r\n");

  ASSERT_EQ(call("startPrintTask", callArgs("Receipt")), kTrue);
  call("printTagContent", callArgs("Receipt", "B"));
  call("closeCurPrinter", callArgs("Receipt"));
  EXPECT_EQ(device.job(2), "B\r\n");
}

TEST_F(LocalPrintingTest, PrinterListHoldsTheQueuesButNotFaxes) {
  for (const char* queue : {"Kitchen", "Receipt", "Office_Fax"}) cupsd_.addRawQueue(queue, "socket://127.0.3.12:9100");
  cupsd_.addStoppedQueue("Bar", "socket://127.0.3.12:9100");
  EXPECT_EQ(call("getPrinterList", {}), CallResult::strings({"Bar", "Kitchen", "Receipt"}));
}

TEST_F(LocalPrintingTest, StatusIsFalseForQueuesThatCannotPrintNow) {
  const std::string nowhere = "socket://127.0.3.13:9100";  // never connected to
  cupsd_.addRawQueue("Healthy", nowhere);
  cupsd_.addStoppedQueue("Disabled", nowhere);
  cupsd_.addQueueWithReason("Offline", nowhere, "offline-report");
  cupsd_.addQueueWithReason("NoPaper", nowhere, "media-empty-error");
  cupsd_.addQueueWithReason("LowPaper", nowhere, "media-low-warning");

  EXPECT_EQ(call("getPrinterStatus", callArgs("Disabled")), kTrue);  // not open: nothing to ask
  for (const char* queue : {"Healthy", "Disabled", "Offline", "NoPaper", "LowPaper"}) {
    ASSERT_EQ(call("openPrinter", callArgs(queue)), kTrue) << queue;
  }
  EXPECT_EQ(call("getPrinterStatus", callArgs("Healthy")), kTrue);
  EXPECT_EQ(call("getPrinterStatus", callArgs("LowPaper")), kTrue);
  EXPECT_EQ(call("getPrinterStatus", callArgs("Disabled")), kFalse);
  EXPECT_EQ(call("getPrinterStatus", callArgs("Offline")), kFalse);
  EXPECT_EQ(call("getPrinterStatus", callArgs("NoPaper")), kFalse);

  // With CUPS gone nothing can print: the answer must not be "all well",
  // for an open printer or one the page has not opened yet.
  cupsd_.stop();
  EXPECT_EQ(call("getPrinterStatus", callArgs("Healthy")), kFalse);
  EXPECT_EQ(call("getPrinterStatus", callArgs("NeverOpened")), kFalse);
}

// CUPS takes "bar" for the queue "Bar": opening both spellings must give
// one printer with one job, not two jobs racing on one queue.
TEST_F(LocalPrintingTest, QueueNamesInAnotherLetterCaseAreTheSamePrinter) {
  test::FakeNetworkPrinter device("127.0.3.14");
  cupsd_.addRawQueue("Bar", device.deviceUri());
  call("getPrinterDiffConfig", callArgs("bar", "T80"));
  ASSERT_EQ(call("startPrintTask", callArgs("Bar")), kTrue);
  ASSERT_EQ(call("printText", callArgs("bar", "one ")), kTrue);
  ASSERT_EQ(call("printText", callArgs("BAR", "job")), kTrue);
  ASSERT_EQ(call("endPrintTask", callArgs("bAr")), kTrue);
  EXPECT_EQ(device.job(1), "one " + hexBytes("1d 21 00") + "job" + hexBytes("1d 21 00"));
  EXPECT_EQ(test::sessionsOf(context_.printers).size(), 1u);
  EXPECT_EQ(dialogs(), "");
}

TEST_F(LocalPrintingTest, UnknownPrinterShowsTheOpenFailureWithItsNameAsCaption) {
  EXPECT_EQ(call("startPrintTask", callArgs("NoSuchPrinter")), kFalse);
  EXPECT_EQ(dialogs(), "NoSuchPrinter\t开启打印机失败！\n");
  EXPECT_FALSE(test::sessionOf(context_.printers, u"NoSuchPrinter").isOpen());
}

}  // namespace
}  // namespace lumetra
