#pragma once

#include <span>
#include <string_view>

#include "platform/desktop/dialogs.h"
#include "platform/desktop/file_chooser.h"

namespace lumetra::shell {

// A message box on the user's display: modal, above every other window,
// with exactly the caption and text given. Needs GTK initialised.
platform::DialogAnswer showMessageBox(std::string_view caption, std::string_view text, platform::DialogButtons buttons);

// The UI process's own message boxes.
class GtkDialogs final : public platform::Dialogs {
 public:
  platform::DialogAnswer show(std::string_view caption, std::string_view text,
                              platform::DialogButtons buttons) override {
    return showMessageBox(caption, text, buttons);
  }
  std::optional<std::string> chooseFile(const std::string& filterName, const std::string& pattern) override {
    return platform::chooseExistingFile(filterName, pattern);
  }
};

// The message-box helper mode: CAPTION TEXT ok|yes-no. Prints the answer
// word; exit code 2 for wrong arguments or when no display can be opened.
int messageBoxHelper(std::span<char*> arguments);

}  // namespace lumetra::shell
