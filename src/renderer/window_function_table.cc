#include "renderer/window_function_table.h"

#include <array>

#include "jobs/image_functions.h"
#include "jobs/print_task_list.h"
#include "printer/model_functions.h"

namespace lumetra {
namespace {

// Keep the order: pages and tools enumerate `window` and expect it.
constexpr std::array kTable{
    WindowFunctionHandler("printLogo", printLogo),
    WindowFunctionHandler("checkImage", checkImage),
    WindowFunctionHandler("getPrinterModelList", getPrinterModelList),
    WindowFunctionHandler("getPrinterDiffConfig", getPrinterDiffConfig),
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
