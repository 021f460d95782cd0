#include "functions/window_function_table.h"

#include <array>
#include <cstdio>
#include <exception>

#include "base/log.h"
#include "functions/host_functions.h"
#include "functions/network_functions.h"
#include "functions/printer_functions.h"
#include "functions/serial_functions.h"

namespace lumetra {
namespace {

constexpr Refusal kFalse = Refusal::false_;
constexpr Refusal kUndefined = Refusal::undefined;

// Keep the order: pages and tools enumerate `window` and expect it.
constexpr std::array kTable{
    WindowFunctionHandler("getPrinterList", anyCount(), getPrinterList),
    WindowFunctionHandler("openPrinter", exactly(1, kFalse), openPrinter),
    WindowFunctionHandler("openPrinterWithModel", exactly(2, kFalse), openPrinterWithModel),
    WindowFunctionHandler("closeCurPrinter", exactly(1, kFalse), closeCurPrinter),
    WindowFunctionHandler("printText", atLeast(2, kFalse), printText),
    WindowFunctionHandler("printTextByNet", atLeast(2, kUndefined), printTextByNet),
    WindowFunctionHandler("printLogo", exactly(2, kFalse), printLogo),
    WindowFunctionHandler("openCashDraw", atLeast(1, kFalse), openCashDraw),
    WindowFunctionHandler("cutPaper", atLeast(1, kFalse), cutPaper),
    WindowFunctionHandler("rollPaper", exactly(2, kFalse), rollPaper),
    WindowFunctionHandler("listSerialPort", anyCount(), listSerialPort),
    WindowFunctionHandler("openSerialPort", anyCount(kFalse), openSerialPort),
    WindowFunctionHandler("closeSerialPort", anyCount(), closeSerialPort),
    WindowFunctionHandler("sendData2SerialPort", exactly(2, Refusal::true_), sendData2SerialPort),
    WindowFunctionHandler("sendData2SerialPortRAW", anyCount(kFalse), sendData2SerialPortRAW),
    WindowFunctionHandler("getPrinterStatus", exactly(1, kFalse), getPrinterStatus),
    WindowFunctionHandler("setWindowMinisize", exactly(1, kFalse), setWindowMinisize),
    WindowFunctionHandler("downloadUpdate", exactly(1, kFalse), downloadUpdate),
    WindowFunctionHandler("checkImage", exactly(1, kFalse), checkImage),
    WindowFunctionHandler("getMonitors", anyCount(), getMonitors),
    WindowFunctionHandler("closeOtherWindow", exactly(1, kFalse), closeOtherWindow),
    WindowFunctionHandler("printTagContent", exactly(2, kFalse), printTagContent),
    WindowFunctionHandler("startPrintTask", exactly(1, kFalse), startPrintTask),
    WindowFunctionHandler("endPrintTask", exactly(1, kFalse), endPrintTask),
    WindowFunctionHandler("startNodeScript", anyCount(), startNodeScript),
    WindowFunctionHandler("endNodeScript", anyCount(), endNodeScript),
    WindowFunctionHandler("selectFile", anyCount(), selectFile),
    WindowFunctionHandler("getPrinterModelList", anyCount(), getPrinterModelList),
    WindowFunctionHandler("getPrinterDiffConfig", exactly(2, kFalse), getPrinterDiffConfig),
    WindowFunctionHandler("rollPaperByNet", exactly(2, kUndefined), rollPaperByNet),
    WindowFunctionHandler("cutPaperByNet", between(1, 2, kUndefined), cutPaperByNet),
    WindowFunctionHandler("getIPPrinterList", anyCount(), getIPPrinterList),
    WindowFunctionHandler("startIPPrintTask", exactly(2, kFalse), startIPPrintTask),
    // With any argument nothing changes.
    WindowFunctionHandler("endIPPrintTask", exactly(0, kUndefined), endIPPrintTask),
    WindowFunctionHandler("addMultiPrinterTaskItem", exactly(7, kFalse), addMultiPrinterTaskItem),
    WindowFunctionHandler("printMultiKitchenTaskList", anyCount(), printMultiKitchenTaskList),
    // Without its task list it does nothing.
    WindowFunctionHandler("printTask", atLeast(1, kUndefined), printTask),
};

CallResult refused(Refusal refusal) {
  switch (refusal) {
    case Refusal::false_:
      return CallResult::boolean(false);
    case Refusal::true_:
      return CallResult::boolean(true);
    case Refusal::undefined:
      break;
  }
  return CallResult::undefined();
}

}  // namespace

CallResult WindowFunctionHandler::execute(Context& context, const CallArguments& arguments) const {
  if (arguments.overTextLimit()) {
    logf(LogLevel::warning, "%.*s refused: its text arguments hold more than %zu MiB", static_cast<int>(name_.size()),
         name_.data(), kMaxCallTextBytes >> 20);
    return refused(counts_.refusal);
  }
  if (arguments.count() < counts_.min || arguments.count() > counts_.max) return refused(counts_.refusal);
  try {
    return function_(context, arguments);
  } catch (const std::exception& error) {
    logf(LogLevel::error, "%.*s failed: %s", static_cast<int>(name_.size()), name_.data(), error.what());
  } catch (...) {
    logf(LogLevel::error, "%.*s failed", static_cast<int>(name_.size()), name_.data());
  }
  return CallResult::undefined();
}

std::span<const WindowFunctionHandler> windowFunctionTable() { return kTable; }

const WindowFunctionHandler* findWindowFunction(std::string_view name) {
  for (const WindowFunctionHandler& handler : kTable) {
    if (handler.name() == name) return &handler;
  }
  return nullptr;
}

}  // namespace lumetra
