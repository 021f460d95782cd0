#include "handover/task_list_handover.h"

#include <cstdio>

#include "base/log.h"
#include "base/utf.h"
#include "printer/printer_sessions.h"
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

// The tasks' tickets, laid out in the page's order. A queue the page holds
// open lends its table to one task and is then let go, as printing on the
// page's own handle always ended by closing it: pages reopen the queue
// before printing to it again, and the queue's next task is laid out with
// its own model.
std::vector<Ticket> planTickets(Printers& printers, const std::vector<PrintTask>& tasks) REQUIRES(printers.outputLock())
    EXCLUDES(printers.printerLock()) {
  std::vector<Ticket> tickets;
  for (const PrintTask& task : tasks) {
    std::optional<PrinterKey> printer = printerOf(task);
    if (!printer) continue;
    tickets.push_back(Ticket{std::move(*printer), planTaskWrites(printers, task)});
    if (task.printerType == kSpoolerPrinterType) closePrinterSession(printers, task.printerName, false);
  }
  return tickets;
}

}  // namespace

void processTaskList(PrintJobs& jobs, std::string_view utf8Text) {
  if (utf8Text == "[]") return;
  const auto tasks = parsePrintTaskList(utf8Text);
  if (!tasks) return;
  std::vector<Ticket> tickets;
  {
    OutputSequence output(jobs.network.printers);
    tickets = planTickets(jobs.network.printers, *tasks);
  }
  handOverTickets(jobs, std::move(tickets));
}

}  // namespace lumetra
