#include "functions/network_functions.h"

#include <string>

#include "handover/kitchen_task_list.h"
#include "handover/task_list_handover.h"
#include "net/discovery.h"
#include "printer/ansi_text.h"
#include "printer/printer_commands.h"

namespace lumetra {
namespace {

std::string ansiArgument(const CallArguments& arguments, std::size_t index) {
  return std::string(bytesUpToNul(toAnsiBytes(arguments.string(index))));
}

// The steps every direct slot function shares: a valid slot in the first
// argument (else nothing happens); `plan` gives the writes from the kitchen
// printers' command table under printerLock; the slot is connected when
// it needs to be and the writes are sent once printerLock is released.
template <typename Plan>
CallResult writeToSlot(Context& context, const CallArguments& arguments, Plan plan) {
  const std::int32_t slot = arguments.integer(0);
  if (!isNetPrinterSlot(slot)) return CallResult::undefined();
  OutputSequence output(context.network.printers);
  CommandWrites writes;
  {
    PrinterTables tables(context.network.printers);
    writes = plan(tables.kitchenCommands());
  }
  connectSlotOnDemand(context.network, slot);
  for (const std::string& write : writes) sendToSlot(context.network, slot, write);
  return CallResult::undefined();
}

}  // namespace

CallResult startIPPrintTask(Context& context, const CallArguments& arguments) {
  const std::int32_t slot = arguments.integer(1);
  if (!isNetPrinterSlot(slot)) return CallResult::boolean(false);
  OutputSequence output(context.network.printers);
  bindSlot(context.network, slot, arguments.string(0));
  return CallResult::boolean(true);
}

CallResult endIPPrintTask(Context& context, const CallArguments&) {
  OutputSequence output(context.network.printers);
  releaseAllSlots(context.network);
  return CallResult::undefined();
}

CallResult printTextByNet(Context& context, const CallArguments& arguments) {
  return writeToSlot(context, arguments, [&](PrinterModelConfig& table) {
    CommandWrites writes;
    if (arguments.count() == 3) {
      chooseCharacterSize(table, ansiArgument(arguments, 2));
      writes.push_back(sizeCommand(table));
    }
    for (std::string& write : textThenNormalSize(table, ansiArgument(arguments, 1))) {
      writes.push_back(std::move(write));
    }
    return writes;
  });
}

CallResult cutPaperByNet(Context& context, const CallArguments& arguments) {
  return writeToSlot(context, arguments, [&](PrinterModelConfig& table) {
    return CommandWrites{cutCommand(table, arguments.count() == 2)};
  });
}

CallResult rollPaperByNet(Context& context, const CallArguments& arguments) {
  return writeToSlot(context, arguments, [&](PrinterModelConfig& table) {
    return feedWrites(table, feedUnitsForLines(arguments.integer(1)));
  });
}

CallResult addMultiPrinterTaskItem(Context& context, const CallArguments& arguments) {
  KitchenTaskItem item;
  item.slot = arguments.integer(0);
  if (!isNetPrinterSlot(item.slot)) return CallResult::boolean(false);
  item.leadText = ansiArgument(arguments, 1);
  item.bodyText = ansiArgument(arguments, 2);
  item.zoom = ansiArgument(arguments, 3);
  item.feedLines = arguments.integer(4);
  item.cut = arguments.boolean(5);
  item.signal = arguments.integer(6);
  if (!queueKitchenTaskItem(context.jobs, std::move(item))) return CallResult::boolean(false);
  return CallResult::undefined();
}

CallResult printMultiKitchenTaskList(Context& context, const CallArguments&) {
  handOverKitchenTaskList(context.jobs);
  return CallResult::undefined();
}

CallResult printTask(Context& context, const CallArguments& arguments) {
  processTaskList(context.jobs, arguments.utf8(0));
  return CallResult::undefined();
}

CallResult getIPPrinterList(Context& context, const CallArguments&) {
  std::optional<std::vector<std::string>> printers = discoverNetworkPrinters(context.printers.dialogs);
  if (!printers) return CallResult::undefined();
  return CallResult::strings(std::move(*printers));
}

}  // namespace lumetra
