#include "jobs/print_task_list.h"

#include <set>

#include "jobs/pending_tasks.h"
#include "jobs/print_task_output.h"
#include "jobs/task_delivery.h"
#include "net/print_target.h"
#include "printer/printer_registry.h"

namespace lumetra {
namespace {

// Network tasks all take their command bytes from the kitchen printers' table.
std::u16string outputName(const PrintTask& task) {
  return task.printerType == kNetworkPrinterType ? kKitchenPrinterName : task.printerName;
}

// The task's printer is ready: lays it out, writes it and ends the output.
bool printOnReadyOutput(const PrintTask& task) {
  const std::u16string name = outputName(task);
  const bool written = renderTaskContents(name, task.ipaddress, task.contents, task.printerWidth, task.printerType);
  endTaskOutput(name);
  return written;
}

// Prints the task when its printer can be reached; false when it cannot, or
// when a spooler printer failed to take it. With `backlogFirst`, a network
// printer's pending tasks go before it, so that the printer prints in the
// order the page sent.
bool printWhenReachable(const PrintTask& task, NetworkDeliveries& deliveries, bool backlogFirst) {
  const bool network = task.printerType == kNetworkPrinterType;
  const int opened = openTaskOutput(outputName(task), task.ipaddress, task.printerModel, task.printerType);
  if (network) deliveries.opened(task.ipaddress);
  if (opened != kTaskOutputReady) return false;
  if (!network) return printOnReadyOutput(task);
  if (backlogFirst) {
    for (const std::string& waiting : takePendingTasksFor(task.ipaddress)) {
      for (const PrintTask& earlier : parsePrintTaskList(waiting).value_or(std::vector<PrintTask>{})) {
        deliveries.record(earlier.ipaddress, earlier.source, printOnReadyOutput(earlier));
      }
    }
  }
  deliveries.record(task.ipaddress, task.source, printOnReadyOutput(task));
  return true;
}

}  // namespace

void processTaskList(std::string_view utf8Text) {
  if (utf8Text == "[]") return;
  const std::lock_guard lock(printerLock());
  const auto tasks = parsePrintTaskList(utf8Text);
  if (!tasks) return;
  NetworkDeliveries deliveries;
  for (const PrintTask& task : *tasks) {
    if (!printWhenReachable(task, deliveries, true)) addPendingTask(task.json());
  }
  deliveries.closeAll();
}

std::vector<std::string> retryTaskTexts(const std::vector<std::string>& taskTexts) {
  const std::lock_guard lock(printerLock());
  NetworkDeliveries deliveries;
  std::set<std::u16string> unreachable;  // network printers tried in this pass
  std::vector<std::string> waiting;
  for (const std::string& text : taskTexts) {
    for (const PrintTask& task : parsePrintTaskList(text).value_or(std::vector<PrintTask>{})) {
      const bool network = task.printerType == kNetworkPrinterType;
      if (network && unreachable.contains(task.ipaddress)) {
        waiting.push_back(task.json());
      } else if (!printWhenReachable(task, deliveries, false)) {
        waiting.push_back(task.json());
        if (network) unreachable.insert(task.ipaddress);
      }
    }
  }
  deliveries.closeAll();
  return waiting;
}

CallResult printTask(const CallArguments& arguments) {
  if (arguments.count() > 0) processTaskList(arguments.utf8(0));
  return CallResult::undefined();
}

}  // namespace lumetra
