#include "delivery/printer_metrics.h"

#include <algorithm>
#include <functional>

#include "base/utf.h"

namespace lumetra {
namespace {

// A label value as the format reads it: UTF-8 with backslash, quote and
// line feed escaped. A queue's name is whatever the page passed, so
// invalid UTF-8 becomes U+FFFD and other control characters a space,
// which no scraper chokes on.
std::string labelValue(std::string_view text) {
  const std::string valid = utf16ToUtf8(utf8ToUtf16(text));
  std::string escaped;
  escaped.reserve(valid.size());
  for (const char c : valid) {
    if (c == '\\') {
      escaped += "\\\\";
    } else if (c == '"') {
      escaped += "\\\"";
    } else if (c == '\n') {
      escaped += "\\n";
    } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      escaped += ' ';
    } else {
      escaped += c;
    }
  }
  return escaped;
}

std::string printerLabels(const PrinterState& state) {
  return "printer=\"" + labelValue(state.printer.name) + "\",kind=\"" +
         std::string(printerKindWord(state.printer.kind)) + "\"";
}

void header(std::string& text, std::string_view name, std::string_view type, std::string_view help) {
  text.append("# HELP ").append(name).append(" ").append(help).append("\n");
  text.append("# TYPE ").append(name).append(" ").append(type).append("\n");
}

// One sample per printer for which `value` gives one.
void perPrinter(std::string& text, const std::vector<PrinterState>& printers, std::string_view name,
                const std::function<std::optional<std::string>(const PrinterState&)>& value) {
  for (const PrinterState& state : printers) {
    if (const auto sample = value(state)) {
      text.append(name).append("{").append(printerLabels(state)).append(*sample).append("\n");
    }
  }
}

std::optional<std::string> plain(std::uint64_t value) { return "} " + std::to_string(value); }

// An info-style sample: the code word as a label, 1; none without one.
std::optional<std::string> coded(std::string_view label, Trouble trouble) {
  if (trouble == Trouble::none) return std::nullopt;
  return "," + std::string(label) + "=\"" + std::string(troubleCode(trouble)) + "\"} 1";
}

}  // namespace

std::string printerMetricsText(const std::vector<PrinterState>& printers, const MetricsProcess& process,
                               std::int64_t nowUnixSeconds) {
  std::string text;
  header(text, "lumetra_build_info", "gauge", "The shell's version, as a label; always 1.");
  text += "lumetra_build_info{version=\"" + labelValue(process.version) + "\"} 1\n";
  header(text, "lumetra_start_time_seconds", "gauge",
         "When the web process started, in Unix seconds: the counters count from then.");
  text += "lumetra_start_time_seconds " + std::to_string(process.startUnixSeconds) + "\n";

  header(text, "lumetra_tickets_waiting", "gauge", "Tickets journalled for the printer and not yet delivered.");
  perPrinter(text, printers, "lumetra_tickets_waiting", [](const PrinterState& state) { return plain(state.waiting); });
  header(text, "lumetra_oldest_ticket_age_seconds", "gauge",
         "How long the printer's oldest waiting ticket has waited since it was handed over; 0 when none waits.");
  perPrinter(text, printers, "lumetra_oldest_ticket_age_seconds", [nowUnixSeconds](const PrinterState& state) {
    const std::int64_t age =
        state.waiting == 0 ? 0 : std::max<std::int64_t>(0, nowUnixSeconds - state.oldestUnixSeconds);
    return plain(static_cast<std::uint64_t>(age));
  });
  header(text, "lumetra_tickets_held", "gauge",
         "Of the printer's waiting tickets, those held for their age until the staff print or discard them.");
  perPrinter(text, printers, "lumetra_tickets_held", [](const PrinterState& state) { return plain(state.held); });
  header(text, "lumetra_printer_reason", "gauge",
         "Why the printer's tickets wait, are refused or go to its backup, as a code word; 1.");
  perPrinter(text, printers, "lumetra_printer_reason",
             [](const PrinterState& state) { return coded("reason", state.reason); });
  header(text, "lumetra_printer_condition", "gauge", "What the printer reports of itself, as a code word; 1.");
  perPrinter(text, printers, "lumetra_printer_condition",
             [](const PrinterState& state) { return coded("condition", state.condition); });
  header(text, "lumetra_tickets_delivered_total", "counter", "Tickets the printer confirmed.");
  perPrinter(text, printers, "lumetra_tickets_delivered_total",
             [](const PrinterState& state) { return plain(state.delivered); });
  header(text, "lumetra_tickets_failed_total", "counter",
         "Tickets for the printer refused at hand-over (over a limit of the outbox): they will never print.");
  perPrinter(text, printers, "lumetra_tickets_failed_total",
             [](const PrinterState& state) { return plain(state.failed); });
  return text;
}

}  // namespace lumetra
