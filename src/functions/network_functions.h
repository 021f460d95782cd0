#pragma once

#include "base/call_frame.h"
#include "functions/context.h"

namespace lumetra {

// The page's functions for network printers (raw TCP 9100): the six slots,
// the kitchen ticket list, print task lists and discovery. A slot number
// outside 0..5 is refused like a wrong argument count: nothing is bound,
// connected, sent or stored in the command table.

// startIPPrintTask(address, slot): true when the slot was bound; does not
// connect.
CallResult startIPPrintTask(Context& context, const CallArguments& arguments);
// endIPPrintTask(): unbinds every slot and closes its socket.
CallResult endIPPrintTask(Context& context, const CallArguments& arguments);
// printTextByNet(slot, text[, zoom]): the text at the zoom's size (only
// with exactly 3 arguments), then back to normal size.
CallResult printTextByNet(Context& context, const CallArguments& arguments);
// cutPaperByNet(slot[, anything]): a second argument selects the model's
// alternative cut mode, which then stays selected.
CallResult cutPaperByNet(Context& context, const CallArguments& arguments);
// rollPaperByNet(slot, lines): the model's pre-feed, then `lines` lines.
CallResult rollPaperByNet(Context& context, const CallArguments& arguments);

// addMultiPrinterTaskItem(slot, lead, body, zoom, feed, cut, signal):
// queues one kitchen ticket item; false for a slot outside 0..5.
CallResult addMultiPrinterTaskItem(Context& context, const CallArguments& arguments);
// printMultiKitchenTaskList(): prints the queued kitchen tickets.
CallResult printMultiKitchenTaskList(Context& context, const CallArguments& arguments);

// printTask(taskListText): the page's main way to print. Gives undefined.
CallResult printTask(Context& context, const CallArguments& arguments);

// getIPPrinterList(): the printers found on the local subnets.
CallResult getIPPrinterList(Context& context, const CallArguments& arguments);

}  // namespace lumetra
