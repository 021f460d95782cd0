#include "functions/window_function_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace lumetra {
namespace {

// Every window function the page may call, in installation order.
const std::vector<std::string_view> kAllFunctions = {
    "getPrinterList",       "openPrinter",         "openPrinterWithModel",
    "closeCurPrinter",      "printText",           "printTextByNet",
    "printLogo",            "openCashDraw",        "cutPaper",
    "rollPaper",            "listSerialPort",      "openSerialPort",
    "closeSerialPort",      "sendData2SerialPort", "sendData2SerialPortRAW",
    "getPrinterStatus",     "setWindowMinisize",   "downloadUpdate",
    "checkImage",           "getMonitors",         "closeOtherWindow",
    "printTagContent",      "startPrintTask",      "endPrintTask",
    "startNodeScript",      "endNodeScript",       "selectFile",
    "getPrinterModelList",  "getPrinterDiffConfig", "rollPaperByNet",
    "cutPaperByNet",        "getIPPrinterList",    "startIPPrintTask",
    "endIPPrintTask",       "addMultiPrinterTaskItem", "printMultiKitchenTaskList",
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

// A function whose first argument is read without a count check must be safe
// when it is missing: whatever it gives, it touches nothing and does not fail.
TEST(WindowFunctionTableTest, EveryFunctionSurvivesACallWithoutArguments) {
  for (const WindowFunctionHandler& handler : windowFunctionTable()) {
    if (handler.name() == "printMultiKitchenTaskList" || handler.name() == "getIPPrinterList" ||
        handler.name() == "selectFile" || handler.name() == "startNodeScript") {
      continue;  // these act without arguments by design
    }
    EXPECT_NO_FATAL_FAILURE(handler.execute({})) << handler.name();
  }
}

}  // namespace
}  // namespace lumetra
