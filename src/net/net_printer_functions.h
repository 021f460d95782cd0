#pragma once

#include "base/call_frame.h"

namespace lumetra {

// Window functions on the network printer slots. A slot number outside
// 0..5 is refused like a wrong argument count: nothing is bound, connected,
// sent or stored in the command table.

// startIPPrintTask(address, slot): true when the slot was bound; false on a
// count other than 2 or a slot outside 0..5.
CallResult startIPPrintTask(const CallArguments& arguments);

// endIPPrintTask(): unbinds every slot and closes its socket; with any
// argument nothing changes.
CallResult endIPPrintTask(const CallArguments& arguments);

// printTextByNet(slot, text[, zoom]): the text at the zoom's size (only
// with exactly 3 arguments), then back to normal size.
CallResult printTextByNet(const CallArguments& arguments);

// cutPaperByNet(slot[, anything]): a second argument selects the model's
// alternative cut mode, which then stays selected.
CallResult cutPaperByNet(const CallArguments& arguments);

// rollPaperByNet(slot, lines): the model's pre-feed, then `lines` lines.
CallResult rollPaperByNet(const CallArguments& arguments);

}  // namespace lumetra
