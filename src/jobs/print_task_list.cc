#include "jobs/print_task_list.h"

#include <set>

#include "jobs/print_task_output.h"
#include "jobs/task_delivery.h"
#include "net/print_target.h"

namespace lumetra {
namespace {

// Network tasks all take their command bytes from the kitchen printers' table.
std::u16string outputName(const PrintTask& task) {
  return task.printerType == kNetworkPrinterType ? kKitchenPrinterName : task.printerName;
}

// The task's printer is ready: lays it out, writes it and ends the output.
bool printOnReadyOutput(NetworkPrinters& net, const PrintTask& task) REQUIRES(net.printers.outputLock) {
  const std::u16string name = outputName(task);
  const bool written =
      renderTaskContents(net, name, task.ipaddress, task.contents, task.printerWidth, task.printerType);
  endTaskOutput(net.printers, name);
  return written;
}

// Prints the task when its printer can be reached; false when it cannot, or
// when a spooler printer failed to take it. With `backlogFirst`, a network
// printer's pending tasks go before it, so that the printer prints in the
// order the page sent.
bool printWhenReachable(PrintJobs& jobs, const PrintTask& task, NetworkDeliveries& deliveries, bool backlogFirst)
    REQUIRES(jobs.network.printers.outputLock) {
  const bool network = task.printerType == kNetworkPrinterType;
  const int opened = openTaskOutput(jobs.network, outputName(task), task.ipaddress, task.printerModel, task.printerType);
  if (network) deliveries.opened(task.ipaddress);
  if (opened != kTaskOutputReady) return false;
  if (!network) return printOnReadyOutput(jobs.network, task);
  if (backlogFirst) {
    for (const std::string& waiting : jobs.pending.takeFor(task.ipaddress)) {
      for (const PrintTask& earlier : parsePrintTaskList(waiting).value_or(std::vector<PrintTask>{})) {
        deliveries.record(earlier.ipaddress, earlier.source, printOnReadyOutput(jobs.network, earlier));
      }
    }
  }
  deliveries.record(task.ipaddress, task.source, printOnReadyOutput(jobs.network, task));
  return true;
}

// Prints the tasks that were waiting and gives back, in order, those still
// waiting for their printer; each network printer is tried at most once.
std::vector<std::string> retryTaskTexts(PrintJobs& jobs, const std::vector<std::string>& taskTexts)
    REQUIRES(jobs.network.printers.outputLock) {
  NetworkDeliveries deliveries(jobs);
  std::set<std::u16string> unreachable;  // network printers tried in this pass
  std::vector<std::string> waiting;
  for (const std::string& text : taskTexts) {
    for (const PrintTask& task : parsePrintTaskList(text).value_or(std::vector<PrintTask>{})) {
      const bool network = task.printerType == kNetworkPrinterType;
      if (network && unreachable.contains(task.ipaddress)) {
        waiting.push_back(task.json());
      } else if (!printWhenReachable(jobs, task, deliveries, false)) {
        waiting.push_back(task.json());
        if (network) unreachable.insert(task.ipaddress);
      }
    }
  }
  deliveries.closeAll();
  return waiting;
}

}  // namespace

void processTaskList(PrintJobs& jobs, std::string_view utf8Text) {
  if (utf8Text == "[]") return;
  const auto tasks = parsePrintTaskList(utf8Text);
  if (!tasks) return;
  MutexLock output(jobs.network.printers.outputLock);
  NetworkDeliveries deliveries(jobs);
  for (const PrintTask& task : *tasks) {
    if (!printWhenReachable(jobs, task, deliveries, true)) jobs.pending.add(task.json());
  }
  deliveries.closeAll();
}

void retryPendingTasks(PrintJobs& jobs) {
  MutexLock output(jobs.network.printers.outputLock);
  for (std::string& task : retryTaskTexts(jobs, jobs.pending.takeAll())) jobs.pending.add(std::move(task));
}

std::optional<std::string_view> startPendingTaskRetry(PrintJobs& jobs) {
  const std::optional<std::string_view> message = flushKitchenTaskList(jobs);
  jobs.retry.start([&jobs] { retryPendingTasks(jobs); }, jobs.retryInterval);
  return message;
}

}  // namespace lumetra
