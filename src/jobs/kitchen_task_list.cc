#include "jobs/kitchen_task_list.h"

#include <array>
#include <deque>

#include "jobs/print_jobs.h"
#include "printer/printer_commands.h"

namespace lumetra {
namespace {

// A printer went away during the run: the staff must know that tickets are
// waiting, as when it cannot be reached at the start.
constexpr std::string_view kPrinterFailedMessage = "设备未就绪!";

// ESC C 3 1 1: the kitchen printer's call signal.
constexpr std::string_view kSignalCommand = "\x1b\x43\x03\x01\x01";

// The item's writes, with the kitchen printers' table as it stands when
// the item is sent.
CommandWrites kitchenItemWrites(Printers& printers, const KitchenTaskItem& item) EXCLUDES(printers.printerLock) {
  MutexLock lock(printers.printerLock);
  PrinterModelConfig& table = findOrCreateSession(printers, kKitchenPrinterName).commands;
  CommandWrites writes;
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
  return writes;
}

// Sends the item while the slot's printer is still there to take it; false
// once it has failed, reset or ended the connection on its own.
bool sendWhilePrinterThere(NetworkPrinters& net, const KitchenTaskItem& item) REQUIRES(net.printers.outputLock) {
  using PeerState = platform::TcpConnection::PeerState;
  if (slotPeerState(net, item.slot) != PeerState::open) return false;
  for (const std::string& write : kitchenItemWrites(net.printers, item)) sendToSlot(net, item.slot, write);
  return slotPeerState(net, item.slot) == PeerState::open;
}

// Sends the list in order and gives back what must go again at the next
// run. A printer that fails may have lost what it held, so all of its
// tickets of this run stay, in their order: a ticket may print twice, but
// none is lost, and each printer still gets its tickets in the order they
// were taken. Items for slots that were not connected at the start have no
// printer and are dropped.
std::deque<KitchenTaskItem> sendInOrder(NetworkPrinters& net, std::deque<KitchenTaskItem>& list)
    REQUIRES(net.printers.outputLock) {
  std::array<bool, kNetPrinterSlotCount> connected{};
  for (int slot = 0; slot < kNetPrinterSlotCount; ++slot) connected[slot] = isSlotConnected(net, slot);
  const auto hasPrinter = [&](const KitchenTaskItem& item) {
    return isNetPrinterSlot(item.slot) && connected[item.slot];
  };
  std::array<bool, kNetPrinterSlotCount> failed{};
  for (const KitchenTaskItem& item : list) {
    if (hasPrinter(item) && !failed[item.slot]) failed[item.slot] = !sendWhilePrinterThere(net, item);
  }
  const std::array<bool, kNetPrinterSlotCount> uncertain = finishSlotDeliveries(net);
  std::deque<KitchenTaskItem> again;
  for (KitchenTaskItem& item : list) {
    if (hasPrinter(item) && (failed[item.slot] || uncertain[item.slot])) again.push_back(std::move(item));
  }
  return again;
}

// Puts items back at the front of the list, before any queued meanwhile.
void requeueInFront(PrintJobs& jobs, std::deque<KitchenTaskItem>& items) EXCLUDES(jobs.network.printers.printerLock) {
  MutexLock lock(jobs.network.printers.printerLock);
  jobs.kitchen.insert(jobs.kitchen.begin(), std::make_move_iterator(items.begin()),
                      std::make_move_iterator(items.end()));
}

}  // namespace

void queueKitchenTaskItem(PrintJobs& jobs, KitchenTaskItem item) {
  MutexLock lock(jobs.network.printers.printerLock);
  jobs.kitchen.push_back(std::move(item));
}

std::optional<std::string_view> flushKitchenTaskList(PrintJobs& jobs) {
  MutexLock output(jobs.network.printers.outputLock);
  std::deque<KitchenTaskItem> list;
  {
    MutexLock lock(jobs.network.printers.printerLock);
    list.swap(jobs.kitchen);
  }
  if (list.empty()) return std::nullopt;
  // The tickets wait for the next flush.
  if (const int connected = connectAllSlots(jobs.network); connected != kSlotsConnected) {
    requeueInFront(jobs, list);
    return connectFailureMessage(connected);
  }
  std::deque<KitchenTaskItem> again = sendInOrder(jobs.network, list);
  closeAllSlotSockets(jobs.network);
  if (again.empty()) return std::nullopt;
  requeueInFront(jobs, again);
  return kPrinterFailedMessage;
}

}  // namespace lumetra
