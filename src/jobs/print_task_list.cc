#include "jobs/print_task_list.h"

#include "jobs/pending_tasks.h"
#include "jobs/print_task_output.h"
#include "net/print_target.h"
#include "printer/printer_registry.h"

namespace lumetra {
namespace {

// Network tasks all take their command bytes from the kitchen printers' table.
std::u16string outputName(const PrintTask& task) {
  return task.printerType == kNetworkPrinterType ? kKitchenPrinterName : task.printerName;
}

void processTask(const PrintTask& task) {
  const std::u16string name = outputName(task);
  if (openTaskOutput(name, task.ipaddress, task.printerModel, task.printerType) != kTaskOutputReady) {
    addPendingTask(task.json);
    return;
  }
  renderTaskContents(name, task.ipaddress, task.contents, task.printerWidth, task.printerType);
  endTaskOutput(name);
}

}  // namespace

void processTaskList(std::string_view utf8Text) {
  if (utf8Text == "[]") return;
  const std::lock_guard lock(printerLock());
  const auto tasks = parsePrintTaskList(utf8Text);
  if (!tasks) return;
  for (const PrintTask& task : *tasks) processTask(task);
  closeTaskConnections();
}

CallResult printTask(const CallArguments& arguments) {
  if (arguments.count() > 0) processTaskList(arguments.utf8(0));
  return CallResult::undefined();
}

}  // namespace lumetra
