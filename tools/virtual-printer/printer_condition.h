#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace lumetra::virtual_printer {

// How fast the printer takes bytes off a connection: `bytes` every
// `intervalMs`; 0 bytes means as fast as they come.
struct ReadingPace {
  std::size_t bytes = 0;
  int intervalMs = 0;
};

// What the person playing with the printer did to it: the paper roll, the
// cover, the power switch, and a printer that hangs or reads slowly.
struct PrinterCondition {
  std::optional<int> rollLines;  // lines a fresh roll holds; none: it never runs out
  std::optional<int> linesLeft;  // none: paper that never runs out is in
  int nearEndLines = 20;
  bool coverOpen = false;
  bool poweredOn = true;
  bool stalled = false;
  ReadingPace pace;

  bool paperEnd() const { return linesLeft && *linesLeft <= 0; }
  bool paperNearEnd() const { return linesLeft && *linesLeft < nearEndLines; }
  bool online() const { return poweredOn && !coverOpen && !paperEnd(); }
  void usePaper(int lines);
};

// The answer to DLE EOT n (n = 1..4); empty for requests it does not know.
std::string realTimeStatus(const PrinterCondition& condition, std::uint8_t n);
// The four bytes of automatic status back.
std::string automaticStatus(const PrinterCondition& condition);
// The condition as words, "power=on online=no paper=out lines=0/200 ...".
std::string describeCondition(const PrinterCondition& condition);

}  // namespace lumetra::virtual_printer
