#include "handover/kitchen_task_list.h"

#include <array>
#include <map>
#include <optional>
#include <utility>

#include "base/log.h"
#include "handover/print_jobs.h"
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

// The printer bound to each slot, looked up when a slot's first item comes:
// none for a slot with no usable address.
class SlotPrinters {
 public:
  explicit SlotPrinters(NetworkPrinters& net) REQUIRES(net.printers.outputLock()) {
    for (int slot = 0; slot < kNetPrinterSlotCount; ++slot) addresses_[slot] = net.slots[slot].address;
  }

  const std::optional<PrinterKey>& of(int slot) {
    if (!looked_[slot] && !addresses_[slot].empty())
      printers_[slot] = networkPrinter(addresses_[slot], "kitchen ticket");
    looked_[slot] = true;
    return printers_[slot];
  }

 private:
  std::array<std::u16string, kNetPrinterSlotCount> addresses_;
  std::array<std::optional<PrinterKey>, kNetPrinterSlotCount> printers_;
  std::array<bool, kNetPrinterSlotCount> looked_{};
};

}  // namespace

bool KitchenTaskList::add(KitchenTaskItem item) {
  const std::size_t bytes = item.leadText.size() + item.bodyText.size() + item.zoom.size();
  if (items_.size() >= kMaxItems || bytes > kMaxTextBytes - textBytes_) {
    if (!std::exchange(refusalTold_, true)) {
      logf(LogLevel::warning,
           "the kitchen list is full (%zu items, %zu bytes of text at most): items are refused until "
           "printMultiKitchenTaskList hands it over",
           kMaxItems, kMaxTextBytes);
    }
    return false;
  }
  textBytes_ += bytes;
  items_.push_back(std::move(item));
  return true;
}

std::deque<KitchenTaskItem> KitchenTaskList::take() {
  textBytes_ = 0;
  refusalTold_ = false;
  return std::exchange(items_, {});
}

bool queueKitchenTaskItem(PrintJobs& jobs, KitchenTaskItem item) {
  PrinterTables tables(jobs.network.printers);
  return jobs.kitchen.add(std::move(item));
}

void handOverKitchenTaskList(PrintJobs& jobs) {
  std::vector<Ticket> tickets;
  {
    OutputSequence output(jobs.network.printers);
    {
      PrinterTables tables(jobs.network.printers);
      if (jobs.kitchen.empty()) return;
      SlotPrinters slots(jobs.network);
      // The items are laid out in queue order, whatever their printer, as
      // the table's stored bytes carry from one item to the next.
      PrinterModelConfig& table = tables.kitchenCommands();
      std::map<PrinterKey, std::size_t> ticketOf;
      for (const KitchenTaskItem& item : jobs.kitchen.take()) {
        if (!isNetPrinterSlot(item.slot) || !slots.of(item.slot)) continue;
        const PrinterKey& printer = *slots.of(item.slot);
        const auto [entry, added] = ticketOf.try_emplace(printer, tickets.size());
        if (added) tickets.push_back(Ticket{printer, {}});
        appendKitchenItemWrites(table, item, tickets[entry->second].writes);
      }
    }
    closeAllSlotSockets(jobs.network);
  }
  handOverTickets(jobs, std::move(tickets));
}

}  // namespace lumetra
