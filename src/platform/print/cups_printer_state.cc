#include "platform/print/cups_printer_state.h"

#include <array>
#include <utility>

#include "platform/print/spooler.h"

namespace lumetra::platform::cups {
namespace {

constexpr int kPrinterStopped = 5;
constexpr int kJobHeld = 4;
constexpr int kJobProcessing = 5;
constexpr int kJobProcessingStopped = 6;

enum class Severity { report, warning, error };

// IPP reasons carry their severity as a suffix; one without a suffix is an
// error.
std::pair<std::string_view, Severity> splitSeverity(std::string_view reason) {
  constexpr std::array<std::pair<std::string_view, Severity>, 3> kSuffixes{{
      {"-report", Severity::report},
      {"-warning", Severity::warning},
      {"-error", Severity::error},
  }};
  for (const auto& [suffix, severity] : kSuffixes) {
    if (reason.ends_with(suffix)) return {reason.substr(0, reason.size() - suffix.size()), severity};
  }
  return {reason, Severity::error};
}

// Device conditions that stop a receipt from printing, by reason keyword.
std::uint32_t conditionBits(std::string_view condition) {
  using namespace printer_status;
  constexpr std::array<std::pair<std::string_view, std::uint32_t>, 10> kConditions{{
      {"offline", kOffline},
      {"media-empty", kPaperOut},
      {"media-needed", kPaperOut},
      {"media-jam", kPaperJam},
      {"door-open", kDoorOpen},
      {"cover-open", kDoorOpen},
      {"interlock-open", kDoorOpen},
      {"toner-empty", kNoToner},
      {"marker-supply-empty", kNoToner},
      {"output-area-full", kOutputBinFull},
  }};
  for (const auto& [name, bits] : kConditions) {
    if (condition == name) return bits;
  }
  return 0;
}

std::uint32_t reasonBits(std::string_view reason) {
  if (reason == "paused") return printer_status::kPaused;
  const auto [condition, severity] = splitSeverity(reason);
  if (severity == Severity::warning) return 0;
  if (const std::uint32_t bits = conditionBits(condition)) return bits;
  // Unknown keywords without a suffix are mostly the scheduler's own notes
  // ("connecting-to-device", "cups-waiting-for-job-completed"), not errors.
  return reason.ends_with("-error") ? printer_status::kError : 0;
}

}  // namespace

std::uint32_t printerStatusBits(const QueueState& queue) {
  std::uint32_t bits = 0;
  if (queue.printerState == kPrinterStopped || !queue.acceptingJobs) bits |= printer_status::kNotAvailable;
  for (std::string_view reason : queue.reasons) bits |= reasonBits(reason);
  return bits;
}

std::uint32_t jobStatusBits(int jobState) {
  switch (jobState) {
    case kJobHeld:
      return job_status::kPaused;
    case kJobProcessing:
      return job_status::kPrinting;
    case kJobProcessingStopped:
      return job_status::kPrinting | job_status::kError;
    default:
      return 0;
  }
}

}  // namespace lumetra::platform::cups
