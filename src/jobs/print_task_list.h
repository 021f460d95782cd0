#pragma once

#include <string_view>

#include "renderer/call_frame.h"

namespace lumetra {

// Prints every task of a print task list (JSON text, one task object or an
// array of them) in order. A task whose printer cannot be reached goes to
// the pending list instead, unchanged. Holds printerLock for the whole list,
// so the page and the pending-task retry never mix their output on a printer.
void processTaskList(std::string_view utf8Text);

// printTask(taskListText): the page's main way to print. Gives undefined;
// without an argument it does nothing.
CallResult printTask(const CallArguments& arguments);

}  // namespace lumetra
