#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "delivery/printer_trouble.h"
#include "outbox/journal_records.h"

namespace lumetra {

// One printer whose tickets are waiting, or that reports a condition, for
// the staff notice.
struct PrinterBacklog {
  std::string printer;                // UTF-8: the network address, or the spooler queue's name
  std::size_t waiting = 0;            // tickets journalled and not yet delivered
  std::int64_t sinceUnixSeconds = 0;  // when its tickets first waited for a trouble; 0 for none
  Trouble trouble = Trouble::none;    // why they wait, or what it reports of itself
  std::size_t held = 0;               // of those waiting, held for their age until the staff decide
  PrinterKind kind = PrinterKind::network;

  bool operator==(const PrinterBacklog&) const = default;
};

// What the staff notice shows: the printers, and where the staff may send a
// printer's waiting tickets (the backups, and the printers that took
// tickets today).
struct BacklogReport {
  std::vector<PrinterBacklog> printers;
  std::vector<PrinterKey> targets;

  bool operator==(const BacklogReport&) const = default;
};

// Called from the delivery thread whenever the set of printers with a backlog
// or any of their counts, or the targets, change; an empty list of printers
// means everything was delivered. Must not block.
using BacklogListener = std::function<void(BacklogReport)>;

}  // namespace lumetra
