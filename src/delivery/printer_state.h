#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

#include "delivery/printer_trouble.h"
#include "outbox/journal_records.h"

namespace lumetra {

// All that is told of one printer outside the staff notice: to the page and
// to a chain's monitoring. Counts are since the web process started.
struct PrinterState {
  PrinterKey printer;
  std::size_t waiting = 0;             // tickets journalled and not yet delivered
  std::int64_t oldestUnixSeconds = 0;  // when the oldest of them was handed over; 0 for none
  std::size_t held = 0;                // of them, held for their age until the staff decide
  // Why they wait, why the outbox refuses its tickets, or that they go to
  // its backup.
  Trouble reason = Trouble::none;
  Trouble condition = Trouble::none;  // what it reports of itself
  std::uint64_t delivered = 0;        // tickets it confirmed
  std::uint64_t failed = 0;           // tickets refused at hand-over: they will never print

  bool operator==(const PrinterState&) const = default;
};

// Called from the delivery thread when any printer's state has changed.
// Must not block.
using StatesListener = std::function<void()>;

// "network" or "spooler", as the page and the metrics name them.
std::string_view printerKindWord(PrinterKind kind);

}  // namespace lumetra
