#pragma once

#include <optional>
#include <string_view>

namespace lumetra {

// Messages between the web process and the UI process.
inline constexpr std::string_view kFocusedNodeChangedMessage = "ClientRenderer.FocusedNodeChanged";
inline constexpr std::string_view kPrintTaskMessage = "printTaskMessage";
// The web process hands every console message of its pages to the UI
// process, which owns the console log.
inline constexpr std::string_view kConsoleMessage = "lumetra.console-message";

// Decides which focus changes the UI process hears of: only changes of
// "the focused node is editable", starting from "not editable".
class FocusedNodeReporter {
 public:
  // The value to send for a newly focused node, or nothing when unchanged.
  std::optional<bool> focusChanged(bool editable);

 private:
  bool lastNodeEditable_ = false;
};

// Acts on a message from the UI process; false when it is not one of ours.
bool dispatchProcessMessage(std::string_view name);

}  // namespace lumetra
