#include "renderer/window_function_table.h"

#include <array>

#include "net/discovery.h"
#include "printer/model_functions.h"

namespace lumetra {
namespace {

// Keep the order: pages and tools enumerate `window` and expect it.
constexpr std::array kTable{
    WindowFunctionHandler("getPrinterModelList", getPrinterModelList),
    WindowFunctionHandler("getPrinterDiffConfig", getPrinterDiffConfig),
    WindowFunctionHandler("getIPPrinterList", getIPPrinterList),
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
