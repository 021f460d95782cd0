#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lumetra {

struct PrintJobs;

// One queued kitchen ticket item. The texts are ANSI bytes (no NUL), as the
// printer receives them.
struct KitchenTaskItem {
  std::int32_t slot = 0;   // network printer slot, 0..5
  std::string leadText;    // sent first at the printer's current size; may hold commands
  std::string bodyText;    // sent at the size `zoom` chooses
  std::string zoom;        // "zoomIn", "zoomH", "zoomW"; other text keeps the size
  std::int32_t feedLines = 0;  // feed after the text; 0 or less: none
  bool cut = false;
  std::int32_t signal = 0;  // 1: the kitchen signal before everything else
};

// Appends an item at the end of the kitchen task list.
void queueKitchenTaskItem(PrintJobs& jobs, KitchenTaskItem item);

// Prints every queued kitchen ticket item on its slot's network printer and
// takes it off the list; keeps the list intact when the printers cannot be
// connected, and keeps the run's items of a printer that fails during it (in
// their order) for the next flush. Items for a slot with no printer bound
// are dropped. Gives the message the staff must be shown, if any; the
// caller shows it once no lock is held.
std::optional<std::string_view> flushKitchenTaskList(PrintJobs& jobs);

}  // namespace lumetra
