#pragma once

#include <string_view>

namespace lumetra {

// Messages between the web process and the UI process.
inline constexpr std::string_view kFocusedNodeChangedMessage = "ClientRenderer.FocusedNodeChanged";
inline constexpr std::string_view kPrintTaskMessage = "printTaskMessage";
// The web process hands every console message of its pages to the UI
// process, which owns the console log.
inline constexpr std::string_view kConsoleMessage = "lumetra.console-message";
// The web process tells the UI process which printers have tickets waiting,
// so the staff see it without a message box: an array of (printer kind (2 a
// spooler queue, 3 a network printer), printer, tickets waiting, of those
// held for their age, since when in Unix seconds, the trouble's code word,
// e.g. "paper-end"), the latest state as a whole, an empty array once
// nothing is to be shown; then the printers a printer's tickets may be sent
// to, as (kind, printer). The UI process turns the code into the staff's
// words.
inline constexpr std::string_view kPrinterBacklogMessage = "lumetra.printer-backlog";
inline constexpr const char* kPrinterBacklogType = "(a(ysttxs)a(ys))";
// The web process tells the UI process, for each new document of a page's
// main frame, whether it is trusted with the window functions and the name
// of its origin (originName in base/trusted_origins.h).
inline constexpr std::string_view kPageTrustMessage = "lumetra.page-trust";
inline constexpr const char* kPageTrustType = "(bs)";
// The web extension's start-up data from the UI process: a dictionary
// ("a{sv}") in which this key holds the trusted origins (a string, as
// TrustedOrigins::toList writes it).
inline constexpr const char* kTrustedOriginsKey = "trusted-origins";
// The path of the metrics textfile (a bytestring: a path need not be
// UTF-8); empty for none.
inline constexpr const char* kMetricsTextfileKey = "metrics-textfile";
// The UI process passes on what the staff asked for a printer's waiting
// tickets: (action: "retry", "redirect", "discard", "print-old",
// "discard-old"; printer kind, printer; for "redirect" the target's kind
// and name, else 0 and ""). No reply: the next backlog message tells.
inline constexpr std::string_view kPrinterActionMessage = "lumetra.printer-action";
inline constexpr const char* kPrinterActionType = "(sysys)";
// In the start-up data, the delivery's settings from lumetra.conf:
// ([delivery] hold_after_minutes, [backup] backup_after_seconds, [backup]
// PRINTER = OTHER lines as written).
inline constexpr const char* kDeliverySettingsKey = "delivery-settings";
inline constexpr const char* kDeliverySettingsType = "(tta(ss))";

}  // namespace lumetra
