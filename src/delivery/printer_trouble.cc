#include "delivery/printer_trouble.h"

#include <array>
#include <utility>

namespace lumetra {
namespace {

constexpr std::array<std::pair<Trouble, std::string_view>, 18> kCodes{{
    {Trouble::unanswered, "unanswered"},
    {Trouble::refused, "refused"},
    {Trouble::stalled, "stalled"},
    {Trouble::interrupted, "interrupted"},
    {Trouble::queueMissing, "queue-missing"},
    {Trouble::queueRefused, "queue-refused"},
    {Trouble::queueFailed, "queue-failed"},
    {Trouble::printerFull, "printer-full"},
    {Trouble::outboxFull, "outbox-full"},
    {Trouble::unknownPrinterFull, "unknown-printer-full"},
    {Trouble::paperEnd, "paper-end"},
    {Trouble::coverOpen, "cover-open"},
    {Trouble::paperJam, "paper-jam"},
    {Trouble::printerError, "printer-error"},
    {Trouble::printerOffline, "printer-offline"},
    {Trouble::queuePaused, "queue-paused"},
    {Trouble::paperNearEnd, "paper-near-end"},
    {Trouble::movedToBackup, "moved-to-backup"},
}};

}  // namespace

std::string_view troubleCode(Trouble trouble) {
  for (const auto& [known, code] : kCodes) {
    if (known == trouble) return code;
  }
  return {};
}

std::optional<Trouble> troubleOfCode(std::string_view code) {
  for (const auto& [trouble, known] : kCodes) {
    if (known == code) return trouble;
  }
  return std::nullopt;
}

}  // namespace lumetra
