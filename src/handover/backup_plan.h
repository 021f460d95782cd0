#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "outbox/journal_records.h"

namespace lumetra {

// The printer a setting names: an IPv4 address names a network printer,
// anything else a spooler queue.
PrinterKey printerNamed(const std::string& name);

// The backups `lines` ([backup] PRINTER = OTHER, as written) give. A line
// whose backup has a backup of its own (a chain, or a cycle), or that names
// the printer itself, is refused with a line on stderr: a ticket moves once,
// so that the staff always know where to find it.
std::map<PrinterKey, PrinterKey> backupPlan(const std::vector<std::pair<std::string, std::string>>& lines);

}  // namespace lumetra
