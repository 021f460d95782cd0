#include "jobs/kitchen_task_list.h"

#include <array>
#include <map>
#include <optional>

#include "jobs/print_jobs.h"
#include "printer/printer_commands.h"

namespace lumetra {
namespace {

// ESC C 3 1 1: the kitchen printer's call signal.
constexpr std::string_view kSignalCommand = "\x1b\x43\x03\x01\x01";

// The item's writes, with the kitchen printers' table as it stands when
// the item's turn comes.
void appendKitchenItemWrites(PrinterModelConfig& table, const KitchenTaskItem& item, std::vector<std::string>& writes) {
  if (item.signal == 1) writes.emplace_back(kSignalCommand);
  if (!item.leadText.empty()) writes.push_back(item.leadText);
  chooseCharacterSize(table, item.zoom);
  writes.push_back(sizeCommand(table));
  for (std::string& write : textThenNormalSize(table, item.bodyText)) writes.push_back(std::move(write));
  // Unlike rollPaperByNet, the ticket's feed is the unit count itself.
  if (item.feedLines > 0) {
    for (std::string& write : feedWrites(table, static_cast<std::uint8_t>(item.feedLines))) {
      writes.push_back(std::move(write));
    }
  }
  if (item.cut) writes.push_back(cutCommand(table, true));
}

// The printer bound to each slot now; none for a slot with no usable address.
std::array<std::optional<PrinterKey>, kNetPrinterSlotCount> slotPrinters(NetworkPrinters& net)
    REQUIRES(net.printers.outputLock) {
  std::array<std::optional<PrinterKey>, kNetPrinterSlotCount> printers;
  for (int slot = 0; slot < kNetPrinterSlotCount; ++slot) {
    if (!net.slots[slot].address.empty()) printers[slot] = networkPrinter(net.slots[slot].address, "kitchen ticket");
  }
  return printers;
}

}  // namespace

void queueKitchenTaskItem(PrintJobs& jobs, KitchenTaskItem item) {
  MutexLock lock(jobs.network.printers.printerLock);
  jobs.kitchen.push_back(std::move(item));
}

void handOverKitchenTaskList(PrintJobs& jobs) {
  std::vector<Ticket> tickets;
  {
    Printers& printers = jobs.network.printers;
    MutexLock output(printers.outputLock);
    {
      MutexLock lock(printers.printerLock);
      if (jobs.kitchen.empty()) return;
      const std::array<std::optional<PrinterKey>, kNetPrinterSlotCount> slots = slotPrinters(jobs.network);
      // The items are laid out in queue order, whatever their printer, as
      // the table's stored bytes carry from one item to the next.
      PrinterModelConfig& table = findOrCreateSession(printers, kKitchenPrinterName).commands;
      std::map<PrinterKey, std::size_t> ticketOf;
      for (const KitchenTaskItem& item : jobs.kitchen) {
        if (!isNetPrinterSlot(item.slot) || !slots[item.slot]) continue;
        const auto [entry, added] = ticketOf.try_emplace(*slots[item.slot], tickets.size());
        if (added) tickets.push_back(Ticket{*slots[item.slot], {}});
        appendKitchenItemWrites(table, item, tickets[entry->second].writes);
      }
      jobs.kitchen.clear();
    }
    closeAllSlotSockets(jobs.network);
  }
  handOverTickets(jobs, std::move(tickets));
}

}  // namespace lumetra
