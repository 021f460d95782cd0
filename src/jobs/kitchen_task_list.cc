#include "jobs/kitchen_task_list.h"

#include <array>
#include <deque>
#include <mutex>

#include "net/net_printer_slots.h"
#include "net/slot_commands.h"
#include "platform/desktop/dialogs.h"
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

// Sends the item while the slot's printer is still there to take it; false
// once it has failed, reset or ended the connection on its own.
bool sendWhilePrinterThere(const KitchenTaskItem& item) {
  using PeerState = platform::TcpConnection::PeerState;
  if (slotPeerState(item.slot) != PeerState::open) return false;
  sendKitchenTaskItem(item);
  return slotPeerState(item.slot) == PeerState::open;
}

// Sends the list in order and gives back what must go again at the next
// run. A printer that fails may have lost what it held, so all of its
// tickets of this run stay, in their order: a ticket may print twice, but
// none is lost, and each printer still gets its tickets in the order they
// were taken. Items for slots that were not connected at the start have no
// printer and are dropped.
std::deque<KitchenTaskItem> sendInOrder(std::deque<KitchenTaskItem>& list) {
  std::array<bool, kNetPrinterSlotCount> connected{};
  for (int slot = 0; slot < kNetPrinterSlotCount; ++slot) connected[slot] = isSlotConnected(slot);
  const auto hasPrinter = [&](const KitchenTaskItem& item) {
    return isNetPrinterSlot(item.slot) && connected[item.slot];
  };
  std::array<bool, kNetPrinterSlotCount> failed{};
  for (const KitchenTaskItem& item : list) {
    if (hasPrinter(item) && !failed[item.slot]) failed[item.slot] = !sendWhilePrinterThere(item);
  }
  const std::array<bool, kNetPrinterSlotCount> uncertain = finishSlotDeliveries();
  std::deque<KitchenTaskItem> again;
  for (KitchenTaskItem& item : list) {
    if (hasPrinter(item) && (failed[item.slot] || uncertain[item.slot])) again.push_back(std::move(item));
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
