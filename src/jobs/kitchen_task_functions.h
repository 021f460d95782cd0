#pragma once

#include "base/call_frame.h"

namespace lumetra {

// addMultiPrinterTaskItem(slot, leadText, bodyText, zoom, feedLines, cut,
// signal): queues one kitchen ticket item. false on a count other than 7 or
// a slot outside 0..5 (the item could never be printed); nothing is queued then.
CallResult addMultiPrinterTaskItem(const CallArguments& arguments);

// printMultiKitchenTaskList(): prints and empties the kitchen task list.
CallResult printMultiKitchenTaskList(const CallArguments& arguments);

}  // namespace lumetra
