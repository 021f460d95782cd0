#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace lumetra::virtual_printer {

// The commands of the receipt printer language that Lumetra and the shops'
// web apps send. Anything else is NotUnderstood and shown as such.
enum class CommandKind {
  Initialise,          // ESC @
  Text,                // printable ASCII and GBK double-byte characters
  LineFeed,            // LF
  CarriageReturn,      // CR
  Tab,                 // HT
  Nul,                 // NUL: filler that printers skip
  PrintMode,           // ESC ! n
  CharacterSize,       // GS ! n
  Emphasis,            // ESC E n
  Underline,           // ESC - n
  Align,               // ESC a n
  DefaultLineSpacing,  // ESC 2
  LineSpacing,         // ESC 3 n
  FeedDots,            // ESC J n
  FeedLines,           // ESC d n
  Cut,                 // GS V m [n]
  DrawerPulse,         // ESC p m t1 t2
  Buzzer,              // ESC B n t
  Signal,              // ESC C m t n
  RasterImage,         // GS v 0 m xL xH yL yH data
  RealTimeStatus,      // DLE EOT n: answered as soon as read, never printed
  AutomaticStatus,     // GS a n: status sent by itself on every change (0: off)
  ProcessId,           // GS ( H 6 0 48 48 d1..d4: answered once all before it printed
  NotUnderstood,       // bytes of no known command, or a command cut short
};

// One command as it arrived: its kind, where it started in the stream and
// every byte of it, so the transcript can show exactly what was sent.
struct Command {
  CommandKind kind;
  std::size_t offset;
  std::string bytes;

  // Byte `index` of the command as an unsigned number.
  std::uint8_t byte(std::size_t index) const { return static_cast<std::uint8_t>(bytes[index]); }
};

// Parameters that choose among three settings accept 0-2 and '0'-'2'.
inline std::optional<int> selectorValue(std::uint8_t n) {
  if (n <= 2) return n;
  if (n >= '0' && n <= '2') return n - '0';
  return std::nullopt;
}

// GS V m: the modes that leave one point of the paper uncut, and all the
// modes printers know (the others are taken as a full cut).
bool isPartialCutMode(std::uint8_t mode);
bool isKnownCutMode(std::uint8_t mode);

}  // namespace lumetra::virtual_printer
