#pragma once

#include <string_view>

namespace lumetra::platform {

enum class DialogButtons { ok, yesNo };
enum class DialogAnswer { ok, yes, no };

// Message boxes for the shop's staff: always on top, modal, with the exact
// caption and text given (UTF-8).
class Dialogs {
 public:
  virtual ~Dialogs() = default;
  virtual DialogAnswer show(std::string_view caption, std::string_view text, DialogButtons buttons) = 0;
};

// Shows a message box and waits for the answer.
//
// When LUMETRA_DIALOG_LOG names a file (headless runs and tests) nothing is
// shown: the box is appended to that file as one line "caption<TAB>text"
// (line feeds in the text written as the two characters \n), and Yes/No boxes
// take their answer from LUMETRA_DIALOG_ANSWER ("yes" or "no", default "no").
// Otherwise the installed on-screen dialogs show it; with none installed the
// box goes to stderr and a Yes/No box is answered "no".
DialogAnswer showDialog(std::string_view caption, std::string_view text,
                        DialogButtons buttons = DialogButtons::ok);

// Where no dialog can be shown: the box goes to stderr and a Yes/No box is
// answered "no".
DialogAnswer showDialogOnStderr(std::string_view caption, std::string_view text, DialogButtons buttons);

// The host installs its on-screen dialogs here (nullptr removes them).
void installDialogs(Dialogs* dialogs);

}  // namespace lumetra::platform
