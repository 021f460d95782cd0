#pragma once

#include <string_view>

namespace lumetra {

// Messages between the web process and the UI process.
inline constexpr std::string_view kFocusedNodeChangedMessage = "ClientRenderer.FocusedNodeChanged";
inline constexpr std::string_view kPrintTaskMessage = "printTaskMessage";
// The web process hands every console message of its pages to the UI
// process, which owns the console log.
inline constexpr std::string_view kConsoleMessage = "lumetra.console-message";

}  // namespace lumetra
