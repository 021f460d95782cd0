#include "functions/window_function_table.h"

#include <array>

#include "jobs/image_functions.h"
#include "jobs/kitchen_task_functions.h"
#include "jobs/print_job_functions.h"
#include "jobs/print_task_list.h"
#include "net/discovery.h"
#include "net/net_printer_functions.h"
#include "printer/local_printer_functions.h"
#include "printer/model_functions.h"
#include "functions/host_functions.h"
#include "serial/serial_port_functions.h"

namespace lumetra {
namespace {

// Keep the order: pages and tools enumerate `window` and expect it.
constexpr std::array kTable{
    WindowFunctionHandler("getPrinterList", getPrinterList),
    WindowFunctionHandler("openPrinter", openPrinter),
    WindowFunctionHandler("openPrinterWithModel", openPrinterWithModel),
    WindowFunctionHandler("closeCurPrinter", closeCurPrinter),
    WindowFunctionHandler("printText", printText),
    WindowFunctionHandler("printTextByNet", printTextByNet),
    WindowFunctionHandler("printLogo", printLogo),
    WindowFunctionHandler("openCashDraw", openCashDraw),
    WindowFunctionHandler("cutPaper", cutPaper),
    WindowFunctionHandler("rollPaper", rollPaper),
    WindowFunctionHandler("listSerialPort", listSerialPort),
    WindowFunctionHandler("openSerialPort", openSerialPort),
    WindowFunctionHandler("closeSerialPort", closeSerialPort),
    WindowFunctionHandler("sendData2SerialPort", sendData2SerialPort),
    WindowFunctionHandler("sendData2SerialPortRAW", sendData2SerialPortRAW),
    WindowFunctionHandler("getPrinterStatus", getPrinterStatus),
    WindowFunctionHandler("setWindowMinisize", setWindowMinisize),
    WindowFunctionHandler("downloadUpdate", downloadUpdate),
    WindowFunctionHandler("checkImage", checkImage),
    WindowFunctionHandler("getMonitors", getMonitors),
    WindowFunctionHandler("closeOtherWindow", closeOtherWindow),
    WindowFunctionHandler("printTagContent", printTagContent),
    WindowFunctionHandler("startPrintTask", startPrintTask),
    WindowFunctionHandler("endPrintTask", endPrintTask),
    WindowFunctionHandler("startNodeScript", startNodeScript),
    WindowFunctionHandler("endNodeScript", endNodeScript),
    WindowFunctionHandler("selectFile", selectFile),
    WindowFunctionHandler("getPrinterModelList", getPrinterModelList),
    WindowFunctionHandler("getPrinterDiffConfig", getPrinterDiffConfig),
    WindowFunctionHandler("rollPaperByNet", rollPaperByNet),
    WindowFunctionHandler("cutPaperByNet", cutPaperByNet),
    WindowFunctionHandler("getIPPrinterList", getIPPrinterList),
    WindowFunctionHandler("startIPPrintTask", startIPPrintTask),
    WindowFunctionHandler("endIPPrintTask", endIPPrintTask),
    WindowFunctionHandler("addMultiPrinterTaskItem", addMultiPrinterTaskItem),
    WindowFunctionHandler("printMultiKitchenTaskList", printMultiKitchenTaskList),
    WindowFunctionHandler("printTask", printTask),
};

}  // namespace

std::span<const WindowFunctionHandler> windowFunctionTable() { return kTable; }

const WindowFunctionHandler* findWindowFunction(std::string_view name) {
  for (const WindowFunctionHandler& handler : kTable) {
    if (handler.name() == name) return &handler;
  }
  return nullptr;
}

}  // namespace lumetra
