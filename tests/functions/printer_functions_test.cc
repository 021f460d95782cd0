#include "functions/printer_functions.h"

#include <gtest/gtest.h>

#include "support/call_arguments.h"
#include "support/recording_printer_fixture.h"

namespace lumetra {
namespace {

using test::callArgs;
using test::hexBytes;
using Writes = std::vector<std::string>;

// An 80 mm receipt printer's table: ESC J feed, GS V cut (alternative mode
// 1), GS ! size with wide 0x10 and tall 0x01.
PrinterModelConfig receiptTable() {
  PrinterModelConfig table;
  const std::string bytes = hexBytes("1b 4a 00  00 00  1d 56 00  01  1d 21 00  00 00 00  10 01 11");
  std::copy(bytes.begin(), bytes.end(), table.bytes.begin());
  return table;
}

const CallResult kTrue = CallResult::boolean(true);
const CallResult kFalse = CallResult::boolean(false);

class LocalPrinterFunctionsTest : public test::RecordingPrinterTest {};

TEST_F(LocalPrinterFunctionsTest, PrintTextSendsSizeTextAndResetAsSeparateWrites) {
  PrinterSession& session = openPrinterWithTable(receiptTable());
  EXPECT_EQ(call("printText", callArgs(kPrinter, "A", "zoomIn")), kTrue);
  EXPECT_EQ(spooler_.writes(), (Writes{hexBytes("1d 21 11"), "A", hexBytes("1d 21 00")}));
  EXPECT_EQ(session.commands[model_offset::kSizeValue], 0);

  spooler_.clearRecord();
  call("printText", callArgs(kPrinter, "提示", "zoomH"));
  call("printText", callArgs(kPrinter, "x", "zoomW"));
  EXPECT_EQ(spooler_.writes(), (Writes{hexBytes("1d 21 01"), hexBytes("cc e1 ca be"), hexBytes("1d 21 00"),
                                       hexBytes("1d 21 10"), "x", hexBytes("1d 21 00")}));
}

TEST_F(LocalPrinterFunctionsTest, PrintTextWithoutAKnownModeKeepsTheCurrentSize) {
  PrinterSession& session = openPrinterWithTable(receiptTable());
  session.commands[model_offset::kSizeValue] = 0x22;     // as another function may leave it
  call("printText", callArgs(kPrinter, "a", "ZOOMIN"));  // modes are case-sensitive
  call("printText", callArgs(kPrinter, "b", "zoomIn", "extra"));
  call("printText", callArgs(kPrinter, ""));
  EXPECT_EQ(spooler_.writes(), (Writes{hexBytes("1d 21 22"), "a", hexBytes("1d 21 00"),  //
                                       "b", hexBytes("1d 21 00"),                        //
                                       "", hexBytes("1d 21 00")}));
}

TEST_F(LocalPrinterFunctionsTest, PrintTextStopsAtAnEmbeddedNul) {
  openPrinterWithTable(receiptTable());
  call("printText", CallArguments({CallArgument::string(kPrinter), CallArgument::string(std::string("ab\0cd", 5))}));
  EXPECT_EQ(spooler_.writes(), (Writes{"ab", hexBytes("1d 21 00")}));
}

TEST_F(LocalPrinterFunctionsTest, CashDrawerPulseIsSharedByAllLaterCalls) {
  openPrinterWithTable();
  EXPECT_EQ(call("openCashDraw", callArgs(kPrinter, 0, 25, 250)), kTrue);
  EXPECT_EQ(call("openCashDraw", callArgs(kPrinter)), kTrue);
  EXPECT_EQ(call("openCashDraw", callArgs(kPrinter, 1, 2)), kTrue);  // not three numbers: unchanged
  call("openCashDraw", callArgs(kPrinter, 256 + 1, -1, 50));         // low 8 bits
  const std::string pulse = hexBytes("1b 70 00 19 fa");
  EXPECT_EQ(spooler_.writes(), (Writes{pulse, pulse, pulse, hexBytes("1b 70 01 ff 32")}));
  call("openCashDraw", callArgs(kPrinter, 1, 50, 50));  // the start-up pulse again, for other tests
}

TEST_F(LocalPrinterFunctionsTest, CutPaperTakesTheAlternativeModeWhenASecondArgumentIsPresent) {
  PrinterSession& session = openPrinterWithTable(receiptTable());
  EXPECT_EQ(call("cutPaper", callArgs(kPrinter)), kTrue);
  EXPECT_EQ(call("cutPaper", callArgs(kPrinter, false)), kTrue);
  EXPECT_EQ(call("cutPaper", callArgs(kPrinter)), kTrue);  // the copied mode stays
  EXPECT_EQ(call("cutPaper", callArgs(kPrinter, 1, 2)), kTrue);
  EXPECT_EQ(spooler_.writes(), (Writes{hexBytes("1d 56 00"), hexBytes("1d 56 01"), hexBytes("1d 56 01")}));
  EXPECT_EQ(session.commands[model_offset::kCutMode], 1);
}

TEST_F(LocalPrinterFunctionsTest, RollPaperFeedsSevenUnitsPerLineAfterThePreFeed) {
  PrinterSession& session = openPrinterWithTable(receiptTable());
  EXPECT_EQ(call("rollPaper", callArgs(kPrinter, 40)), kTrue);  // 280 mod 256, no pre-feed
  session.commands[model_offset::kPreFeedLines] = 5;
  session.commands[model_offset::kPreFeedRepeat] = 2;
  call("rollPaper", callArgs(kPrinter, 2));
  session.commands[model_offset::kPreFeedRepeat] = 0xFF;  // -1: no pre-feed write
  call("rollPaper", callArgs(kPrinter, -1));
  call("rollPaper", callArgs(kPrinter, 2147483647));          // wraps like the byte, no overflow
  EXPECT_EQ(spooler_.writes(), (Writes{hexBytes("1b 4a 18"),  //
                                       hexBytes("1b 4a 23"), hexBytes("1b 4a 23"), hexBytes("1b 4a 0e"),  //
                                       hexBytes("1b 4a f9"), hexBytes("1b 4a f9")}));
  EXPECT_EQ(session.commands[model_offset::kFeedAmount], 0xf9);
}

TEST_F(LocalPrinterFunctionsTest, ClosedPrintersAndWrongArgumentCountsTouchNothing) {
  EXPECT_EQ(call("printText", callArgs(kPrinter, "A")), kFalse);
  EXPECT_EQ(call("openCashDraw", callArgs(kPrinter)), kFalse);
  EXPECT_EQ(call("cutPaper", callArgs(kPrinter)), kFalse);
  EXPECT_EQ(call("rollPaper", callArgs(kPrinter, 1)), kFalse);
  EXPECT_TRUE(test::sessionsOf(context_.printers).empty());  // naming a printer remembers nothing

  openPrinterWithTable(receiptTable());
  for (const CallResult& result :
       {call("printText", callArgs(kPrinter)), call("rollPaper", callArgs(kPrinter)),
        call("rollPaper", callArgs(kPrinter, 1, 2)), call("openPrinter", callArgs(kPrinter, "RQ2")),
        call("openPrinterWithModel", callArgs(kPrinter)), call("closeCurPrinter", callArgs(kPrinter, 1)),
        call("getPrinterStatus", callArgs()), call("openCashDraw", callArgs()), call("cutPaper", callArgs())}) {
    EXPECT_EQ(result, kFalse);
  }
  EXPECT_TRUE(spooler_.calls().empty());
  EXPECT_EQ(test::sessionsOf(context_.printers).size(), 1u);
}

TEST_F(LocalPrinterFunctionsTest, ReopeningClosesTheHandleItReplaces) {
  EXPECT_EQ(call("openPrinter", callArgs(kPrinter)), kTrue);
  EXPECT_EQ(call("openPrinter", callArgs(kPrinter)), kTrue);
  EXPECT_EQ(spooler_.openHandles(), 1u);
  spooler_.failNext("open POS-80", 5);
  EXPECT_EQ(call("openPrinter", callArgs(kPrinter)), kFalse);
  EXPECT_EQ(spooler_.openHandles(), 0u);
  EXPECT_FALSE(test::sessionOf(context_.printers, u"POS-80").isOpen());
}

TEST_F(LocalPrinterFunctionsTest, OpenPrinterWithModelLoadsTheModelOnlyWhenOpened) {
  test::TempDir folder;
  folder.write("dev/RQ2.ini", "[cut]\ncmd=29,86,66\n");
  test::ScopedWorkingDirectory cwd(folder.path());

  EXPECT_EQ(call("openPrinterWithModel", callArgs("Unknown", "RQ2")), kFalse);
  EXPECT_EQ(test::findSession(context_.printers, u"Unknown"), nullptr);

  EXPECT_EQ(call("openPrinterWithModel", callArgs(kPrinter, "RQ2")), kTrue);
  const PrinterSession& session = test::sessionOf(context_.printers, u"POS-80");
  EXPECT_EQ(session.modelName, u"RQ2");
  EXPECT_EQ(session.commands.command(model_offset::kCut, model_length::kCut), hexBytes("1d 56 42"));
}

TEST_F(LocalPrinterFunctionsTest, CloseCurPrinterForgetsOnlyAnOpenPrinter) {
  openPrinterWithTable(receiptTable()).modelName = u"RQ2";
  EXPECT_TRUE(call("closeCurPrinter", callArgs(kPrinter)).isUndefined());
  EXPECT_EQ(spooler_.openHandles(), 0u);
  EXPECT_FALSE(test::sessionsOf(context_.printers).contains(u"POS-80"));

  EXPECT_TRUE(call("getPrinterDiffConfig", callArgs("Given a model", "RQ2")).isUndefined());
  EXPECT_TRUE(call("closeCurPrinter", callArgs("Given a model")).isUndefined());
  EXPECT_TRUE(test::sessionsOf(context_.printers).contains(u"Given a model"));
  EXPECT_TRUE(call("closeCurPrinter", callArgs("Never named")).isUndefined());
  EXPECT_FALSE(test::sessionsOf(context_.printers).contains(u"Never named"));
  EXPECT_EQ(spooler_.calls(), (std::vector<std::string>{"close"}));
}

// With the registry full, a printer not known yet is refused as a failure
// (its handle closed again, not leaked); the printers it knows work on.
TEST_F(LocalPrinterFunctionsTest, AtTheRegistrysBoundANewPrinterIsRefusedAndItsHandleClosed) {
  openPrinterWithTable(receiptTable());
  for (std::size_t i = 1; i < kMaxPrinterSessions; ++i)
    test::sessionOf(context_.printers, u"Q" + std::u16string(i, u'x'));
  spooler_.addPrinter(u"Another");
  EXPECT_EQ(call("openPrinter", callArgs("Another")), kFalse);
  EXPECT_EQ(call("openPrinterWithModel", callArgs("Another", "RQ2")), kFalse);
  EXPECT_EQ(call("getPrinterDiffConfig", callArgs("Another", "RQ2")), kFalse);
  EXPECT_EQ(spooler_.openHandles(), 1u);
  EXPECT_EQ(test::findSession(context_.printers, u"Another"), nullptr);

  EXPECT_EQ(call("openPrinter", callArgs(kPrinter)), kTrue);
  EXPECT_EQ(call("printText", callArgs(kPrinter, "A")), kTrue);
  EXPECT_TRUE(call("getPrinterDiffConfig", callArgs(kPrinter, "RQ2")).isUndefined());
}

}  // namespace
}  // namespace lumetra
