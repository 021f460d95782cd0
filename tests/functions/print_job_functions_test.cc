#include <gtest/gtest.h>

#include "functions/printer_functions.h"
#include "support/call_arguments.h"
#include "support/recording_printer_fixture.h"

namespace lumetra {
namespace {

using test::callArgs;
using Calls = std::vector<std::string>;

const CallResult kTrue = CallResult::boolean(true);
const CallResult kFalse = CallResult::boolean(false);
constexpr char kStartDocument[] = "startDocument My Document RAW";

class PrintJobFunctionsTest : public test::RecordingPrinterTest {
 protected:
  const PrinterSession& session() { return test::sessionOf(context_.printers, u"POS-80"); }
};

TEST_F(PrintJobFunctionsTest, ATaskIsOneRawDocumentFromStartToEnd) {
  EXPECT_EQ(call("startPrintTask", callArgs(kPrinter)), kTrue);
  EXPECT_TRUE(session().isOpen());
  call("printTagContent", callArgs(kPrinter, "A"));
  EXPECT_EQ(call("endPrintTask", callArgs(kPrinter)), kTrue);
  EXPECT_EQ(spooler_.calls(),
            (Calls{"open POS-80", kStartDocument, "startPage", "write", "write", "endPage", "endDocument", "close"}));
  EXPECT_EQ(spooler_.writes(), (Calls{"A", "\r\n"}));
  EXPECT_FALSE(session().isOpen());
  EXPECT_EQ(spooler_.openHandles(), 0u);
  EXPECT_TRUE(dialogs().empty());
}

TEST_F(PrintJobFunctionsTest, StartUsesAHandleTheSessionAlreadyHolds) {
  openPrinterWithTable().modelName = u"RQ2";
  EXPECT_EQ(call("startPrintTask", callArgs(kPrinter)), kTrue);
  EXPECT_EQ(spooler_.calls(), (Calls{kStartDocument, "startPage"}));
  EXPECT_EQ(call("endPrintTask", callArgs(kPrinter)), kTrue);
  EXPECT_EQ(session().modelName, u"RQ2");  // ending keeps the model
}

TEST_F(PrintJobFunctionsTest, UnknownPrinterIsToldWithItsNameAsCaption) {
  EXPECT_EQ(call("startPrintTask", callArgs("厨房打印机")), kFalse);
  EXPECT_EQ(dialogs(), Calls{"厨房打印机\t开启打印机失败！"});
  EXPECT_FALSE(test::sessionOf(context_.printers, u"厨房打印机").isOpen());
}

TEST_F(PrintJobFunctionsTest, RefusedDocumentShowsTheErrorNumberAndReleasesThePrinter) {
  spooler_.failNext(kStartDocument, 1286);
  EXPECT_EQ(call("startPrintTask", callArgs(kPrinter)), kFalse);
  EXPECT_EQ(dialogs(), Calls{"StartDocPrinter\t1286"});
  EXPECT_EQ(spooler_.calls(), (Calls{"open POS-80", kStartDocument, "close"}));
  EXPECT_FALSE(session().isOpen());
}

TEST_F(PrintJobFunctionsTest, RefusedPageEndsTheDocumentAndReleasesThePrinter) {
  spooler_.failNext("startPage", 1906);
  EXPECT_EQ(call("startPrintTask", callArgs(kPrinter)), kFalse);
  EXPECT_EQ(dialogs(), Calls{"StartPagePrinter\t1906"});
  EXPECT_EQ(spooler_.calls(), (Calls{"open POS-80", kStartDocument, "startPage", "endDocument", "close"}));
  EXPECT_FALSE(session().isOpen());
}

TEST_F(PrintJobFunctionsTest, EndReleasesThePrinterWhateverFails) {
  EXPECT_EQ(call("endPrintTask", callArgs(kPrinter)), kFalse);  // never started: nothing at all
  EXPECT_TRUE(spooler_.calls().empty());

  call("startPrintTask", callArgs(kPrinter));
  spooler_.clearRecord();
  spooler_.failNext("endPage", 3003);
  EXPECT_EQ(call("endPrintTask", callArgs(kPrinter)), kFalse);
  EXPECT_EQ(spooler_.calls(), (Calls{"endPage", "endDocument", "close"}));

  call("startPrintTask", callArgs(kPrinter));
  spooler_.clearRecord();
  spooler_.failNext("endDocument", 1286);
  EXPECT_EQ(call("endPrintTask", callArgs(kPrinter)), kFalse);
  EXPECT_EQ(spooler_.calls(), (Calls{"endPage", "endDocument", "close"}));
  EXPECT_FALSE(session().isOpen());
  EXPECT_EQ(spooler_.openHandles(), 0u);
  EXPECT_TRUE(dialogs().empty());
}

TEST_F(PrintJobFunctionsTest, TagContentIsTheTextThenCrLfAsTwoWrites) {
  openPrinterWithTable();
  EXPECT_EQ(call("printTagContent", callArgs(kPrinter, "")), kTrue);
  EXPECT_EQ(call("printTagContent", callArgs(kPrinter, "SIZE 40 mm,30 mm")), kTrue);
  EXPECT_EQ(call("printTagContent", callArgs(kPrinter, "标签")), kTrue);
  EXPECT_EQ(spooler_.writes(),
            (Calls{std::string(1, '\0'), "\r\n", "SIZE 40 mm,30 mm", "\r\n", test::hexBytes("b1 ea c7 a9"), "\r\n"}));
}

TEST_F(PrintJobFunctionsTest, WrongCountsAndClosedPrintersTouchNothing) {
  EXPECT_EQ(call("startPrintTask", callArgs()), kFalse);
  EXPECT_EQ(call("startPrintTask", callArgs(kPrinter, kPrinter)), kFalse);
  EXPECT_EQ(call("endPrintTask", callArgs(kPrinter, 1)), kFalse);
  EXPECT_EQ(call("printTagContent", callArgs(kPrinter)), kFalse);
  EXPECT_TRUE(test::sessionsOf(context_.printers).empty());
  EXPECT_EQ(call("printTagContent", callArgs(kPrinter, "A")), kFalse);
  EXPECT_TRUE(spooler_.calls().empty());
  EXPECT_TRUE(dialogs().empty());
}

}  // namespace
}  // namespace lumetra
