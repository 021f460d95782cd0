#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/call_frame.h"

namespace lumetra {

// Prints every task of a print task list (JSON text, one task object or an
// array of them) in order. A task whose printer cannot be reached goes to
// the pending list instead, unchanged; a network printer that can be
// reached prints its pending tasks first. Holds printerLock for the whole list,
// so the page and the pending-task retry never mix their output on a printer.
void processTaskList(std::string_view utf8Text);

// One retry pass over pending tasks (compact JSON, oldest first): each
// network printer is tried at most once, and a printer's tasks keep their
// order. Gives back, in order, the tasks still waiting for their printer;
// tasks that went out on a connection the printer then reset have been put
// on the pending list again already. Holds printerLock for the whole pass.
std::vector<std::string> retryTaskTexts(const std::vector<std::string>& taskTexts);

// printTask(taskListText): the page's main way to print. Gives undefined;
// without an argument it does nothing.
CallResult printTask(const CallArguments& arguments);

}  // namespace lumetra
