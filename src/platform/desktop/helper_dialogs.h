#pragma once

#include "platform/desktop/dialogs.h"

namespace lumetra::platform {

// The message-box helper mode of the `lumetra` executable:
//   lumetra --lumetra-helper=message-box CAPTION TEXT ok|yes-no
// writes the answer ("ok", "yes" or "no") to stdout and exits with 0.
inline constexpr const char* kMessageBoxMode = "message-box";
inline constexpr const char* kOkButtons = "ok";
inline constexpr const char* kYesNoButtons = "yes-no";

const char* answerWord(DialogAnswer answer);

// Message boxes for a process without a display of its own (the web
// process): each one is shown by the message-box (or select-file) helper,
// which blocks the caller until it is answered.
class HelperDialogs final : public Dialogs {
 public:
  DialogAnswer show(std::string_view caption, std::string_view text, DialogButtons buttons) override;
  std::optional<std::string> chooseFile(const std::string& filterName, const std::string& pattern) override;
};

}  // namespace lumetra::platform
