#pragma once

#include <optional>
#include <string_view>

#include "base/process_messages.h"
#include "functions/context.h"

namespace lumetra {

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
bool dispatchProcessMessage(Context& context, std::string_view name);

}  // namespace lumetra
