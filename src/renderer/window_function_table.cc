#include "renderer/window_function_table.h"

#include <array>

#include "printer/model_functions.h"
#include "renderer/host_functions.h"

namespace lumetra {
namespace {

// Keep the order: pages and tools enumerate `window` and expect it.
constexpr std::array kTable{
    WindowFunctionHandler("setWindowMinisize", setWindowMinisize),
    WindowFunctionHandler("downloadUpdate", downloadUpdate),
    WindowFunctionHandler("getMonitors", getMonitors),
    WindowFunctionHandler("closeOtherWindow", closeOtherWindow),
    WindowFunctionHandler("startNodeScript", startNodeScript),
    WindowFunctionHandler("endNodeScript", endNodeScript),
    WindowFunctionHandler("selectFile", selectFile),
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
