#pragma once

#include <string>
#include <vector>

#include "printer/printers.h"
#include "tasks/print_task.h"

namespace lumetra {

// Printer types of a print task: where its bytes go.
inline constexpr int kSpoolerPrinterType = 2;  // a CUPS queue, by name
inline constexpr int kNetworkPrinterType = 3;  // raw TCP 9100, by IPv4 address

// The task laid out for its printer, as the writes it is to receive: the
// bytes in one write, split only around pictures, which go in one write
// each (a picture that cannot be used prints nothing). A network task is
// laid out with the kitchen printers' command table; a spooler task with
// its queue's, whose model is loaded first ("RQ2" for an empty one) unless
// the page holds the queue open. Parameter bytes stay in the table, as the
// page's later calls expect.
std::vector<std::string> planTaskWrites(Printers& printers, const PrintTask& task) EXCLUDES(printers.printerLock());

}  // namespace lumetra
