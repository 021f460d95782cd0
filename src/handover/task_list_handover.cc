#include "handover/task_list_handover.h"

#include <cstdio>

#include "base/log.h"
#include "base/utf.h"
#include "tasks/task_writes.h"

namespace lumetra {
namespace {

// Where the task goes; nothing for a task that can never print there.
std::optional<PrinterKey> printerOf(const PrintTask& task) {
  if (task.printerType == kNetworkPrinterType) return networkPrinter(task.ipaddress, "print task");
  if (task.printerType != kSpoolerPrinterType) return std::nullopt;
  if (task.printerName.empty()) {
    logf(LogLevel::warning, "a print task for a spooler queue with no name was refused");
    return std::nullopt;
  }
  return PrinterKey{PrinterKind::spooler, utf16ToUtf8(task.printerName)};
}

}  // namespace

void processTaskList(PrintJobs& jobs, std::string_view utf8Text) {
  if (utf8Text == "[]") return;
  const auto tasks = parsePrintTaskList(utf8Text);
  if (!tasks) return;
  std::vector<Ticket> tickets;
  for (const PrintTask& task : *tasks) {
    if (std::optional<PrinterKey> printer = printerOf(task)) {
      tickets.push_back(Ticket{std::move(*printer), planTaskWrites(jobs.network.printers, task)});
    }
  }
  handOverTickets(jobs, std::move(tickets));
}

}  // namespace lumetra
