#include "tasks/task_writes.h"

#include <optional>

#include "printer/model_config_loader.h"
#include "tasks/image_text.h"
#include "tasks/task_layout.h"

namespace lumetra {
namespace {

constexpr char16_t kDefaultTaskModel[] = u"RQ2";

// The table the task's bytes come from, with the model a task's queue is
// opened with when the page does not hold it open. With the registry full a
// queue it does not know yet is laid out with `unremembered`.
PrinterModelConfig& commandTableFor(PrinterTables& tables, const PrintTask& task, PrinterModelConfig& unremembered) {
  if (task.printerType == kNetworkPrinterType) return tables.kitchenCommands();
  PrinterSession* session = tables.session(task.printerName);
  if (session && session->isOpen()) return session->commands;
  const std::u16string model = task.printerModel.empty() ? kDefaultTaskModel : task.printerModel;
  PrinterModelConfig& table = session ? session->commands : unremembered;
  if (session) session->modelName = model;
  loadModelConfig(table, model);
  return table;
}

}  // namespace

std::vector<std::string> planTaskWrites(Printers& printers, const PrintTask& task) {
  PrinterTables tables(printers);
  PrinterModelConfig unremembered;
  PrinterModelConfig& commands = commandTableFor(tables, task, unremembered);
  std::vector<std::string> writes;
  for (TaskOutput& piece : layoutTaskContents(task.contents, commands, task.printerWidth)) {
    if (piece.kind != TaskOutput::Kind::kImage) {
      writes.push_back(std::move(piece.data));
    } else if (std::optional<std::string> raster = rasterForImageText(piece.data, commands)) {
      writes.push_back(std::move(*raster));
    }
  }
  return writes;
}

}  // namespace lumetra
