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
// so the staff see it without a message box: an array of (printer, tickets
// waiting, since when in Unix seconds, the trouble's code word, e.g.
// "paper-end"), the latest state as a whole; an empty array once everything
// is delivered. The UI process turns the code into the staff's words.
inline constexpr std::string_view kPrinterBacklogMessage = "lumetra.printer-backlog";
inline constexpr const char* kPrinterBacklogType = "a(stxs)";
// The web process tells the UI process, for each new document of a page's
// main frame, whether it is trusted with the window functions and the name
// of its origin (originName in base/trusted_origins.h).
inline constexpr std::string_view kPageTrustMessage = "lumetra.page-trust";
inline constexpr const char* kPageTrustType = "(bs)";
// The web extension's start-up data from the UI process: a dictionary
// ("a{sv}") in which this key holds the trusted origins (a string, as
// TrustedOrigins::toList writes it).
inline constexpr const char* kTrustedOriginsKey = "trusted-origins";

}  // namespace lumetra
