#include <gtest/gtest.h>

#include "functions/printer_functions.h"
#include "support/call_arguments.h"
#include "support/recording_printer_fixture.h"

namespace lumetra {
namespace {

using platform::job_status::kError;
using platform::job_status::kPaused;
using platform::job_status::kPrinting;
using test::callArgs;

const CallResult kTrue = CallResult::boolean(true);
const CallResult kFalse = CallResult::boolean(false);

test::FakePrinterState printerIn(std::uint32_t status) {
  test::FakePrinterState state;
  state.status = status;
  return state;
}

class PrinterStatusTest : public test::RecordingPrinterTest {
 protected:
  // getPrinterStatus on an opened printer in the given state.
  CallResult statusOf(test::FakePrinterState state) {
    const std::string name = "Kitchen " + std::to_string(++printers_);
    const std::u16string name16(name.begin(), name.end());
    spooler_.addPrinter(name16, std::move(state));
    test::sessionOf(context_.printers, name16).handle = spooler_.open(name16).value();
    return call("getPrinterStatus", callArgs(name));
  }

 private:
  int printers_ = 0;
};

TEST_F(PrinterStatusTest, PrinterConditionsThatStopPrintingGiveFalse) {
  EXPECT_EQ(statusOf({}), kTrue);
  EXPECT_EQ(statusOf(printerIn(platform::printer_status::kPaused)), kTrue);
  EXPECT_EQ(statusOf(printerIn(platform::printer_status::kPaperOut)), kFalse);
  EXPECT_EQ(statusOf(printerIn(platform::printer_status::kOffline)), kFalse);
  EXPECT_EQ(statusOf(printerIn(platform::printer_status::kNotAvailable)), kFalse);
  EXPECT_EQ(statusOf(printerIn(platform::printer_status::kDoorOpen)), kFalse);
}

TEST_F(PrinterStatusTest, OnlyAJobThatIsPrintingAndBlockedGivesFalse) {
  EXPECT_EQ(statusOf({.jobStatuses = {kPrinting, kPaused}}), kTrue);
  EXPECT_EQ(statusOf({.jobStatuses = {kError}}), kTrue);
  EXPECT_EQ(statusOf({.jobStatuses = {0, kPrinting | kError}}), kFalse);
  EXPECT_EQ(statusOf({.jobStatuses = {kPrinting | platform::job_status::kBlockedDevq}}), kFalse);
}

TEST_F(PrinterStatusTest, WhatCannotBeAskedCountsAsNoError) {
  EXPECT_EQ(call("getPrinterStatus", callArgs(kPrinter)), kTrue);  // never opened
  spooler_.failNext("jobStatuses", 5);
  EXPECT_EQ(statusOf({.jobStatuses = {kPrinting | kError}}), kTrue);
  // ... but a printer that reports an error is believed without its jobs.
  spooler_.failNext("jobStatuses", 5);
  EXPECT_EQ(statusOf(printerIn(platform::printer_status::kPaperJam)), kFalse);
}

class PrinterListTest : public test::RecordingPrinterTest {};

TEST_F(PrinterListTest, ListsPrintersWithoutFaxAndMicrosoftPseudoPrinters) {
  for (const char16_t* name : {u"Microsoft Print to PDF", u"Fax", u"kitchen fax", u"厨房", u"SendFax2"}) {
    spooler_.addPrinter(name);
  }
  EXPECT_EQ(call("getPrinterList", {}), CallResult::strings({"POS-80", "kitchen fax", "厨房"}));
  EXPECT_TRUE(dialogs().empty());
}

TEST_F(PrinterListTest, OnlyPseudoPrintersGiveAnEmptyListAndNoPrintersUndefined) {
  test::RecordingSpooler onlyPseudo;
  onlyPseudo.addPrinter(u"Microsoft XPS Document Writer");
  onlyPseudo.addPrinter(u"Fax");
  test::TempDir logs;
  platform::LoggedDialogs dialogs(logs.path() / "dialogs.log", platform::DialogAnswer::no);
  Context pseudoOnly(onlyPseudo, dialogs);
  EXPECT_EQ(test::callFunction(pseudoOnly, "getPrinterList", {}), CallResult::strings({}));
  test::RecordingSpooler none;
  Context noPrinters(none, dialogs);
  EXPECT_TRUE(test::callFunction(noPrinters, "getPrinterList", {}).isUndefined());
}

TEST_F(PrinterListTest, UnreachableServiceShowsTheMessageAndGivesAnEmptyList) {
  spooler_.setServiceRunning(false);
  EXPECT_EQ(call("getPrinterList", {}), CallResult::strings({}));
  EXPECT_EQ(dialogs(), std::vector<std::string>{"提示\t打印机检索服务失败！请检查!"});
  EXPECT_EQ(spooler_.calls(), std::vector<std::string>{"ensureServiceRunning"});
}

}  // namespace
}  // namespace lumetra
