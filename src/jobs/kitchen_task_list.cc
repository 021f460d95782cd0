#include "jobs/kitchen_task_list.h"

#include <deque>
#include <mutex>

#include "net/net_printer_slots.h"
#include "net/slot_commands.h"
#include "printer/printer_registry.h"

namespace lumetra {
namespace {

// ESC C 3 1 1: the kitchen printer's call signal.
constexpr std::string_view kSignalCommand = "\x1b\x43\x03\x01\x01";

std::deque<KitchenTaskItem>& kitchenTaskList() {
  static std::deque<KitchenTaskItem> list;
  return list;
}

void sendKitchenTaskItem(const KitchenTaskItem& item) {
  if (!isSlotConnected(item.slot)) return;
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
  while (!list.empty()) {
    sendKitchenTaskItem(list.front());
    list.pop_front();
  }
  closeAllSlotSockets();
}

}  // namespace lumetra
