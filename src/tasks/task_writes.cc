#include "tasks/task_writes.h"

#include <optional>

#include "printer/model_config_loader.h"
#include "tasks/image_text.h"
#include "tasks/task_layout.h"

namespace lumetra {
namespace {

constexpr char16_t kDefaultTaskModel[] = u"RQ2";

// The table the task's bytes come from, with the model a task's queue is
// opened with when the page does not hold it open.
PrinterModelConfig& commandTableFor(PrinterTables& tables, const PrintTask& task) {
  if (task.printerType == kNetworkPrinterType) return tables.session(kKitchenPrinterName).commands;
  PrinterSession& session = tables.session(task.printerName);
  if (!session.isOpen()) {
    session.modelName = task.printerModel.empty() ? kDefaultTaskModel : task.printerModel;
    loadModelConfig(session.commands, session.modelName);
  }
  return session.commands;
}

}  // namespace

std::vector<std::string> planTaskWrites(Printers& printers, const PrintTask& task) {
  PrinterTables tables(printers);
  PrinterModelConfig& commands = commandTableFor(tables, task);
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
