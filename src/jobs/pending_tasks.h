#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace lumetra {

// The pending task list: print tasks (compact JSON, one task object each)
// whose printer could not be reached, oldest first. Kept for the life of the
// web process.
void addPendingTask(std::string taskJson);
std::vector<std::string> pendingTasks();
void clearPendingTasks();

// Takes the pending tasks for the network printer at `address` off the list,
// oldest first: once it can be reached, they print before anything newer.
std::vector<std::string> takePendingTasksFor(const std::u16string& address);

// One retry pass: every task that was pending when the pass began is printed
// again, oldest first, each network printer tried once; tasks whose printer
// is still down wait, in their order, for the next pass.
void retryPendingTasks();

// "printTaskMessage": flushes the kitchen list, then keeps retrying the
// pending print tasks every 10 seconds (or `interval`) until the process
// ends. Returns at once; the retrying runs off the page's thread, and a
// second call only flushes.
void startPendingTaskRetry();
void startPendingTaskRetry(std::chrono::milliseconds interval);

// Stops the retrying; waits for a pass in progress. Also run at exit.
void stopPendingTaskRetry();

}  // namespace lumetra
