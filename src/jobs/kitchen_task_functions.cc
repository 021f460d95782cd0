#include "jobs/kitchen_task_functions.h"

#include "jobs/kitchen_task_list.h"
#include "net/net_printer_slots.h"
#include "printer/ansi_text.h"

namespace lumetra {
namespace {

constexpr std::size_t kKitchenItemArgumentCount = 7;

std::string ansiArgument(const CallArguments& arguments, std::size_t index) {
  return std::string(bytesUpToNul(toAnsiBytes(arguments.string(index))));
}

}  // namespace

CallResult addMultiPrinterTaskItem(const CallArguments& arguments) {
  if (arguments.count() != kKitchenItemArgumentCount) return CallResult::boolean(false);
  KitchenTaskItem item;
  item.slot = arguments.integer(0);
  if (!isNetPrinterSlot(item.slot)) return CallResult::boolean(false);
  item.leadText = ansiArgument(arguments, 1);
  item.bodyText = ansiArgument(arguments, 2);
  item.zoom = ansiArgument(arguments, 3);
  item.feedLines = arguments.integer(4);
  item.cut = arguments.boolean(5);
  item.signal = arguments.integer(6);
  queueKitchenTaskItem(std::move(item));
  return CallResult::undefined();
}

CallResult printMultiKitchenTaskList(const CallArguments&) {
  flushKitchenTaskList();
  return CallResult::undefined();
}

}  // namespace lumetra
