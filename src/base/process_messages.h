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
// so the staff see it without a message box: the latest state as a whole.
// First an array of (kind, the PrinterKind; printer; tickets waiting; of
// those, old ones held for a decision; since when in Unix seconds; the
// trouble's code word, e.g. "paper-end", or "moved-to-backup"), empty once
// nothing is left to show; then the printers the staff may send a
// printer's tickets to, as (kind, printer). The UI process turns the code
// into the staff's words.
inline constexpr std::string_view kPrinterBacklogMessage = "lumetra.printer-backlog";
inline constexpr const char* kPrinterBacklogType = "(a(ysttxs)a(ys))";
// The UI process tells the main view's web process what the staff chose
// for a printer's tickets: (action, kind, printer, target kind, target),
// the action "retry", "redirect", "discard", "print-old" or "discard-old";
// the target only for "redirect" (else 0, ""). No reply: the next backlog
// message shows the result.
inline constexpr std::string_view kPrinterActionMessage = "lumetra.printer-action";
inline constexpr const char* kPrinterActionType = "(sysys)";

}  // namespace lumetra
