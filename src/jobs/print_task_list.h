#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "jobs/print_jobs.h"

namespace lumetra {

// Prints every task of a print task list (JSON text, one task object or an
// array of them) in order. A task whose printer cannot be reached goes to
// the pending list instead, unchanged; a network printer that can be
// reached prints its pending tasks first. One output sequence for the
// whole list, so the page and the pending-task retry never mix their output
// on a printer.
void processTaskList(PrintJobs& jobs, std::string_view utf8Text) EXCLUDES(jobs.network.printers.outputLock);

// One retry pass: every task that was pending when the pass began is printed
// again, oldest first, each network printer tried once; tasks whose printer
// is still down wait, in their order, for the next pass (behind the tasks
// the pass put back after a printer reset: per printer, those are older).
void retryPendingTasks(PrintJobs& jobs) EXCLUDES(jobs.network.printers.outputLock);

// "printTaskMessage": flushes the kitchen list, then keeps retrying the
// pending print tasks every jobs.retryInterval until the jobs go away.
// The retrying runs off the page's thread; a second call only flushes.
// Gives the kitchen run's message for the staff, if any.
std::optional<std::string_view> startPendingTaskRetry(PrintJobs& jobs) EXCLUDES(jobs.network.printers.outputLock);

}  // namespace lumetra
