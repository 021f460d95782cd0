#include "net/net_printer_functions.h"

#include <mutex>

#include "net/net_printer_slots.h"
#include "net/slot_commands.h"
#include "printer/ansi_text.h"
#include "printer/printer_registry.h"

namespace lumetra {
CallResult startIPPrintTask(const CallArguments& arguments) {
  if (arguments.count() != 2) return CallResult::boolean(false);
  const std::int32_t slot = arguments.integer(1);
  if (!isNetPrinterSlot(slot)) return CallResult::boolean(false);
  bindSlot(slot, arguments.string(0));
  return CallResult::boolean(true);
}

CallResult endIPPrintTask(const CallArguments& arguments) {
  if (arguments.count() == 0) releaseAllSlots();
  return CallResult::undefined();
}

CallResult printTextByNet(const CallArguments& arguments) {
  if (arguments.count() < 2) return CallResult::undefined();
  const std::int32_t slot = arguments.integer(0);
  if (!isNetPrinterSlot(slot)) return CallResult::undefined();
  std::lock_guard lock(printerLock());
  connectSlotOnDemand(slot);
  PrinterModelConfig& cfg = kitchenCommands();
  if (arguments.count() == 3) {
    chooseCharacterSize(cfg, bytesUpToNul(toAnsiBytes(arguments.string(2))));
    sendSizeCommand(slot, cfg);
  }
  sendTextThenNormalSize(slot, cfg, bytesUpToNul(toAnsiBytes(arguments.string(1))));
  return CallResult::undefined();
}

CallResult cutPaperByNet(const CallArguments& arguments) {
  const std::size_t count = arguments.count();
  const std::int32_t slot = arguments.integer(0);
  if (count < 1 || count > 2 || !isNetPrinterSlot(slot)) return CallResult::undefined();
  std::lock_guard lock(printerLock());
  connectSlotOnDemand(slot);
  sendCut(slot, kitchenCommands(), count == 2);
  return CallResult::undefined();
}

CallResult rollPaperByNet(const CallArguments& arguments) {
  const std::int32_t slot = arguments.integer(0);
  if (arguments.count() != 2 || !isNetPrinterSlot(slot)) return CallResult::undefined();
  std::lock_guard lock(printerLock());
  connectSlotOnDemand(slot);
  sendFeed(slot, kitchenCommands(), feedUnitsForLines(arguments.integer(1)));
  return CallResult::undefined();
}

}  // namespace lumetra
