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
  std::string printer;                      // UTF-8: the network address, or the spooler queue's name
  std::size_t waiting = 0;                  // tickets journalled and not yet delivered
  std::int64_t sinceUnixSeconds = 0;        // when its tickets first waited for a trouble; 0 for none
  Trouble trouble = Trouble::none;          // why they wait, or what it reports of itself
  PrinterKind kind = PrinterKind::network;  // the staff's actions name the printer by kind and name

  bool operator==(const PrinterBacklog&) const = default;
};

// Called from the delivery thread whenever the set of printers with a backlog
// or any of their counts changes; an empty list means everything was
// delivered. Must not block.
using BacklogListener = std::function<void(std::vector<PrinterBacklog>)>;

}  // namespace lumetra
