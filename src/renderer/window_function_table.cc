#include "renderer/window_function_table.h"

#include <array>

#include "printer/model_functions.h"
#include "serial/serial_port_functions.h"

namespace lumetra {
namespace {

// Keep the order: pages and tools enumerate `window` and expect it.
constexpr std::array kTable{
    WindowFunctionHandler("listSerialPort", listSerialPort),
    WindowFunctionHandler("openSerialPort", openSerialPort),
    WindowFunctionHandler("closeSerialPort", closeSerialPort),
    WindowFunctionHandler("sendData2SerialPort", sendData2SerialPort),
    WindowFunctionHandler("sendData2SerialPortRAW", sendData2SerialPortRAW),
    WindowFunctionHandler("getPrinterModelList", getPrinterModelList),
    WindowFunctionHandler("getPrinterDiffConfig", getPrinterDiffConfig),
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
