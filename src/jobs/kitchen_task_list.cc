#include "jobs/kitchen_task_list.h"

#include <array>
#include <deque>
#include <mutex>
#include <vector>

#include "net/net_printer_slots.h"
#include "net/slot_commands.h"
#include "platform/dialogs.h"
#include "printer/printer_registry.h"

namespace lumetra {
namespace {

// A printer went away during the run: the staff must know that tickets are
// waiting, as when it cannot be reached at the start.
constexpr std::string_view kPrinterFailedMessage = "设备未就绪!";

// ESC C 3 1 1: the kitchen printer's call signal.
constexpr std::string_view kSignalCommand = "\x1b\x43\x03\x01\x01";

std::deque<KitchenTaskItem>& kitchenTaskList() {
  static std::deque<KitchenTaskItem> list;
  return list;
}

void sendKitchenTaskItem(const KitchenTaskItem& item) {
  PrinterModelConfig& cfg = kitchenCommands();
  if (item.signal == 1) sendToSlot(item.slot, kSignalCommand);
  if (!item.leadText.empty()) sendToSlot(item.slot, item.leadText);
  chooseCharacterSize(cfg, item.zoom);
  sendSizeCommand(item.slot, cfg);
  sendTextThenNormalSize(item.slot, cfg, item.bodyText);
  // Unlike rollPaperByNet, the ticket's feed is the unit count itself.
  if (item.feedLines > 0) sendFeed(item.slot, cfg, static_cast<std::uint8_t>(item.feedLines));
  if (item.cut) sendCut(item.slot, cfg, true);
}

// How a printer's part of one run went.
enum class SlotRun {
  printing,
  ended,  // the printer closed in order: what it had was taken, the rest waits
  reset,  // the printer failed: how much it took is unknown, so all of it goes again
};

// Sends the item when the slot's printer is still there to take it; true
// when it was taken.
bool sendWhilePrinterThere(const KitchenTaskItem& item, SlotRun& run) {
  using PeerState = platform::TcpConnection::PeerState;
  switch (slotPeerState(item.slot)) {
    case PeerState::finished:
      run = SlotRun::ended;
      return false;
    case PeerState::lost:
      run = SlotRun::reset;
      return false;
    case PeerState::open:
      break;
  }
  sendKitchenTaskItem(item);
  if (slotPeerState(item.slot) != PeerState::lost) return true;
  run = SlotRun::reset;
  return false;
}

// Sends the list in order and gives back what must go again at the next
// run. Once a printer fails, its later items are held back rather than
// skipped, so each printer still gets its tickets in the order they were
// taken; a ticket cut off mid-way is printed again whole, and after a reset
// (the printer lost what it had not yet taken) so is the run's every ticket
// for it. Items for slots that were not connected at the start have no
// printer and are dropped.
std::deque<KitchenTaskItem> sendInOrder(std::deque<KitchenTaskItem>& list) {
  std::array<bool, kNetPrinterSlotCount> connected{};
  for (int slot = 0; slot < kNetPrinterSlotCount; ++slot) connected[slot] = isSlotConnected(slot);
  const auto hasPrinter = [&](const KitchenTaskItem& item) {
    return isNetPrinterSlot(item.slot) && connected[item.slot];
  };
  std::array<SlotRun, kNetPrinterSlotCount> runs{};
  std::vector<bool> taken(list.size());
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (!hasPrinter(list[i])) continue;
    SlotRun& run = runs[list[i].slot];
    taken[i] = run == SlotRun::printing && sendWhilePrinterThere(list[i], run);
  }
  const std::array<bool, kNetPrinterSlotCount> reset = finishSlotDeliveries();
  std::deque<KitchenTaskItem> again;
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (!hasPrinter(list[i])) continue;
    const int slot = list[i].slot;
    if (!taken[i] || reset[slot] || runs[slot] == SlotRun::reset) again.push_back(std::move(list[i]));
  }
  return again;
}

}  // namespace

void queueKitchenTaskItem(KitchenTaskItem item) {
  std::lock_guard lock(printerLock());
  kitchenTaskList().push_back(std::move(item));
}

void flushKitchenTaskList() {
  std::lock_guard lock(printerLock());
  auto& list = kitchenTaskList();
  if (list.empty()) return;
  // Staff have been told by connectAllSlots; the tickets wait for the next flush.
  if (connectAllSlots() != kSlotsConnected) return;
  list = sendInOrder(list);
  closeAllSlotSockets();
  if (!list.empty()) platform::showDialog("", kPrinterFailedMessage);
}

}  // namespace lumetra
