#include "functions/window_function_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <stdexcept>

#include "base/log.h"
#include "support/test_context.h"

namespace lumetra {
namespace {

// Every window function the page may call, in installation order.
const std::vector<std::string_view> kAllFunctions = {"getPrinterList",
                                                     "openPrinter",
                                                     "openPrinterWithModel",
                                                     "closeCurPrinter",
                                                     "printText",
                                                     "printTextByNet",
                                                     "printLogo",
                                                     "openCashDraw",
                                                     "cutPaper",
                                                     "rollPaper",
                                                     "listSerialPort",
                                                     "openSerialPort",
                                                     "closeSerialPort",
                                                     "sendData2SerialPort",
                                                     "sendData2SerialPortRAW",
                                                     "getPrinterStatus",
                                                     "setWindowMinisize",
                                                     "downloadUpdate",
                                                     "checkImage",
                                                     "getMonitors",
                                                     "closeOtherWindow",
                                                     "printTagContent",
                                                     "startPrintTask",
                                                     "endPrintTask",
                                                     "startNodeScript",
                                                     "endNodeScript",
                                                     "selectFile",
                                                     "getPrinterModelList",
                                                     "getPrinterDiffConfig",
                                                     "rollPaperByNet",
                                                     "cutPaperByNet",
                                                     "getIPPrinterList",
                                                     "startIPPrintTask",
                                                     "endIPPrintTask",
                                                     "addMultiPrinterTaskItem",
                                                     "printMultiKitchenTaskList",
                                                     "printTask"};

TEST(WindowFunctionTableTest, HoldsKnownFunctionsOnceEachInInstallationOrder) {
  ASSERT_EQ(kAllFunctions.size(), 37u);
  std::size_t next = 0;
  std::set<std::string_view> seen;
  for (const WindowFunctionHandler& handler : windowFunctionTable()) {
    EXPECT_TRUE(seen.insert(handler.name()).second) << handler.name() << " twice";
    const auto it = std::find(kAllFunctions.begin() + next, kAllFunctions.end(), handler.name());
    ASSERT_NE(it, kAllFunctions.end()) << handler.name() << " unknown or out of order";
    next = static_cast<std::size_t>(it - kAllFunctions.begin()) + 1;
  }
}

TEST(WindowFunctionTableTest, FindsHandlersByName) {
  ASSERT_NE(findWindowFunction("getPrinterModelList"), nullptr);
  EXPECT_EQ(findWindowFunction("getPrinterModelList")->name(), "getPrinterModelList");
  EXPECT_EQ(findWindowFunction("eval"), nullptr);
}

CallArguments withCount(std::size_t count) {
  return CallArguments(std::vector<CallArgument>(count, CallArgument::string("POS-80")));
}

// A count the function does not take gives the result pages know, and the
// function does not run: no session is created and no box is shown.
TEST(WindowFunctionTableTest, RefusedArgumentCountsGiveTheirResultWithoutRunning) {
  const CallResult kFalse = CallResult::boolean(false);
  const CallResult kUndefined = CallResult::undefined();
  const struct {
    std::string_view name;
    std::size_t count;
    CallResult result;
  } kRefused[] = {
      {"openPrinter", 0, kFalse},
      {"openPrinter", 2, kFalse},
      {"openPrinterWithModel", 1, kFalse},
      {"closeCurPrinter", 2, kFalse},
      {"printText", 1, kFalse},
      {"printTextByNet", 1, kUndefined},
      {"printLogo", 3, kFalse},
      {"openCashDraw", 0, kFalse},
      {"cutPaper", 0, kFalse},
      {"rollPaper", 3, kFalse},
      {"sendData2SerialPort", 1, CallResult::boolean(true)},
      {"getPrinterStatus", 0, kFalse},
      {"setWindowMinisize", 2, kFalse},
      {"downloadUpdate", 0, kFalse},
      {"checkImage", 2, kFalse},
      {"closeOtherWindow", 0, kFalse},
      {"printTagContent", 1, kFalse},
      {"startPrintTask", 2, kFalse},
      {"endPrintTask", 0, kFalse},
      {"getPrinterDiffConfig", 1, kFalse},
      {"rollPaperByNet", 1, kUndefined},
      {"cutPaperByNet", 3, kUndefined},
      {"startIPPrintTask", 1, kFalse},
      {"endIPPrintTask", 1, kUndefined},
      {"addMultiPrinterTaskItem", 6, kFalse},
      {"printTask", 0, kUndefined},
  };
  for (const auto& refused : kRefused) {
    test::TestContextHolder state;
    const WindowFunctionHandler* handler = findWindowFunction(refused.name);
    ASSERT_NE(handler, nullptr) << refused.name;
    EXPECT_EQ(handler->execute(state.context, withCount(refused.count)), refused.result)
        << refused.name << " with " << refused.count;
    EXPECT_TRUE(test::sessionsOf(state.context.printers).empty()) << refused.name << " ran";
    EXPECT_TRUE(state.dialogs.shown().empty()) << refused.name << " ran";
  }
}

// What each function gives when it is refused, as the page knows it: its
// wrong-count result, or its failure result for those that take any count.
CallResult documentedRefusal(std::string_view name) {
  static const std::set<std::string_view> kGiveFalse = {"openPrinter",
                                                        "openPrinterWithModel",
                                                        "closeCurPrinter",
                                                        "printText",
                                                        "printLogo",
                                                        "openCashDraw",
                                                        "cutPaper",
                                                        "rollPaper",
                                                        "openSerialPort",
                                                        "getPrinterStatus",
                                                        "sendData2SerialPortRAW",
                                                        "setWindowMinisize",
                                                        "downloadUpdate",
                                                        "checkImage",
                                                        "closeOtherWindow",
                                                        "printTagContent",
                                                        "startPrintTask",
                                                        "endPrintTask",
                                                        "getPrinterDiffConfig",
                                                        "startIPPrintTask",
                                                        "addMultiPrinterTaskItem"};
  if (name == "sendData2SerialPort") return CallResult::boolean(true);
  return kGiveFalse.contains(name) ? CallResult::boolean(false) : CallResult::undefined();
}

// Whatever the count (so also the count each function takes), a call whose
// text passed the limit gives the refusal and the function never runs: the
// only trace is one line naming it.
TEST(WindowFunctionTableTest, TextPastTheLimitIsRefusedWithTheDocumentedResultWithoutRunning) {
  for (const WindowFunctionHandler& handler : windowFunctionTable()) {
    test::TestContextHolder state;
    for (std::size_t count = 0; count <= 7; ++count) {
      CallFrameReader reader;
      for (std::size_t i = 0; i < count; ++i) reader.addText("POS-80");
      ASSERT_FALSE(reader.roomFor(kMaxCallTextBytes + 1));
      std::vector<std::string> lines;
      CallResult result = CallResult::notHandled();
      {
        ScopedLogCapture capture([&](LogLevel, std::string_view line) { lines.emplace_back(line); });
        result = handler.execute(state.context, std::move(reader).frame());
      }
      EXPECT_EQ(result, documentedRefusal(handler.name())) << handler.name() << " with " << count;
      EXPECT_EQ(lines, std::vector<std::string>{std::string(handler.name()) +
                                                " refused: its text arguments hold more than 16 MiB"})
          << handler.name() << " with " << count;
      EXPECT_TRUE(test::sessionsOf(state.context.printers).empty()) << handler.name() << " ran";
      EXPECT_TRUE(state.dialogs.shown().empty()) << handler.name() << " ran";
    }
  }
}

CallResult throwingFunction(Context&, const CallArguments&) { throw std::runtime_error("device gone"); }

TEST(WindowFunctionTableTest, NothingEscapesIntoThePage) {
  test::TestContextHolder state;
  const WindowFunctionHandler handler("printTask", anyCount(), throwingFunction);
  EXPECT_EQ(handler.execute(state.context, {}), CallResult::undefined());
}

}  // namespace
}  // namespace lumetra
