#include "printer_condition.h"

#include <algorithm>

namespace lumetra::virtual_printer {
namespace {

// Fixed bits: every real-time status byte has 0x12 set, an automatic
// status's first byte 0x10, so a host can tell the two apart.
constexpr std::uint8_t kRealTimeStatusBits = 0x12;
constexpr std::uint8_t kAutomaticStatusBits = 0x10;

constexpr std::uint8_t kOffline = 0x08;
constexpr std::uint8_t kCoverOpen = 0x04;
constexpr std::uint8_t kStoppedByPaperEnd = 0x20;
constexpr std::uint8_t kPaperNearEnd = 0x0C;
constexpr std::uint8_t kPaperEnd = 0x60;
constexpr std::uint8_t kAsbOffline = 0x08;
constexpr std::uint8_t kAsbCoverOpen = 0x20;
constexpr std::uint8_t kAsbPaperNearEnd = 0x03;
constexpr std::uint8_t kAsbPaperEnd = 0x0C;

std::uint8_t bitIf(bool on, std::uint8_t bits) { return on ? bits : 0; }

std::string paperWord(const PrinterCondition& condition) {
  if (condition.paperEnd()) return "out";
  return condition.paperNearEnd() ? "near-end" : "ok";
}

std::string linesWord(const PrinterCondition& condition) {
  if (!condition.linesLeft) return "unlimited";
  std::string lines = std::to_string(*condition.linesLeft);
  if (condition.rollLines) lines += "/" + std::to_string(*condition.rollLines);
  return lines;
}

std::string readingWord(const PrinterCondition& condition) {
  if (condition.stalled) return "stalled";
  if (condition.pace.bytes == 0) return "normal";
  return "slow:" + std::to_string(condition.pace.bytes) + "/" + std::to_string(condition.pace.intervalMs) + "ms";
}

}  // namespace

void PrinterCondition::usePaper(int lines) {
  if (linesLeft) *linesLeft = std::max(*linesLeft - lines, 0);
}

std::string realTimeStatus(const PrinterCondition& condition, std::uint8_t n) {
  std::uint8_t status = kRealTimeStatusBits;
  switch (n) {
    case 1:
      status |= bitIf(!condition.online(), kOffline);
      break;
    case 2:
      status |= bitIf(condition.coverOpen, kCoverOpen) | bitIf(condition.paperEnd(), kStoppedByPaperEnd);
      break;
    case 3:
      break;  // no autocutter or other errors are played
    case 4:
      status |= bitIf(condition.paperNearEnd(), kPaperNearEnd) | bitIf(condition.paperEnd(), kPaperEnd);
      break;
    default:
      return {};
  }
  return std::string(1, static_cast<char>(status));
}

std::string automaticStatus(const PrinterCondition& condition) {
  const std::uint8_t first =
      kAutomaticStatusBits | bitIf(!condition.online(), kAsbOffline) | bitIf(condition.coverOpen, kAsbCoverOpen);
  const std::uint8_t paper =
      bitIf(condition.paperNearEnd(), kAsbPaperNearEnd) | bitIf(condition.paperEnd(), kAsbPaperEnd);
  return {static_cast<char>(first), 0, static_cast<char>(paper), 0};
}

std::string describeCondition(const PrinterCondition& condition) {
  return std::string("power=") + (condition.poweredOn ? "on" : "off") +
         " online=" + (condition.online() ? "yes" : "no") + " paper=" + paperWord(condition) +
         " lines=" + linesWord(condition) + " cover=" + (condition.coverOpen ? "open" : "closed") +
         " reading=" + readingWord(condition);
}

}  // namespace lumetra::virtual_printer
