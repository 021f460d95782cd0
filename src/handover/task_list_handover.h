#pragma once

#include <string_view>

#include "handover/print_jobs.h"

namespace lumetra {

// printTask: lays out every task of a print task list (JSON text, one task
// object or an array of them) for its printer and hands them to the
// outbox in order; returns once they are on disk. The printers get them in
// the background. A network task whose address is no IPv4 address, or a
// spooler task with no queue name, could never print: it is refused with a
// note on stderr. Tasks of other printer types print nothing. A spooler
// queue the page held open is laid out with the page's table and closed.
void processTaskList(PrintJobs& jobs, std::string_view utf8Text) EXCLUDES(jobs.network.printers.outputLock())
    EXCLUDES(jobs.network.printers.printerLock());

}  // namespace lumetra
