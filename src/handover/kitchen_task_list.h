#pragma once

#include <cstdint>
#include <string>

namespace lumetra {

struct PrintJobs;

// One queued kitchen ticket item. The texts are ANSI bytes (no NUL), as the
// printer receives them.
struct KitchenTaskItem {
  std::int32_t slot = 0;       // network printer slot, 0..5
  std::string leadText;        // sent first at the printer's current size; may hold commands
  std::string bodyText;        // sent at the size `zoom` chooses
  std::string zoom;            // "zoomIn", "zoomH", "zoomW"; other text keeps the size
  std::int32_t feedLines = 0;  // feed after the text; 0 or less: none
  bool cut = false;
  std::int32_t signal = 0;  // 1: the kitchen signal before everything else
};

// Appends an item at the end of the kitchen task list.
void queueKitchenTaskItem(PrintJobs& jobs, KitchenTaskItem item);

// The kitchen run: every queued item goes to its slot's printer, each
// printer's items in queue order as one ticket, handed to the outbox (the
// printers get them in the background), and the list is emptied. Items for
// a slot with no printer bound are dropped. The slots' direct connections
// are closed, as at the end of any run.
void handOverKitchenTaskList(PrintJobs& jobs);

}  // namespace lumetra
