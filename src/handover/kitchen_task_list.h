#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
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

// The items queued for the next kitchen run. A run is a few tables' orders;
// the bounds keep a page that queues without ever handing over from growing
// the web process without end.
class KitchenTaskList {
 public:
  static constexpr std::size_t kMaxItems = 1000;
  static constexpr std::size_t kMaxTextBytes = std::size_t{64} << 20;

  // Appends the item; false, and the list as it was, when it would pass a
  // bound (stderr says so once until the list is handed over).
  bool add(KitchenTaskItem item);
  // Every item in queue order; the list is empty after.
  std::deque<KitchenTaskItem> take();
  bool empty() const { return items_.empty(); }

 private:
  std::deque<KitchenTaskItem> items_;
  std::size_t textBytes_ = 0;
  bool refusalTold_ = false;
};

// Appends an item at the end of the kitchen task list; false when it is full.
bool queueKitchenTaskItem(PrintJobs& jobs, KitchenTaskItem item);

// The kitchen run: every queued item goes to its slot's printer, each
// printer's items in queue order as one ticket, handed to the outbox (the
// printers get them in the background), and the list is emptied. Items for
// a slot with no printer bound are dropped. The slots' direct connections
// are closed, as at the end of any run.
void handOverKitchenTaskList(PrintJobs& jobs);

}  // namespace lumetra
