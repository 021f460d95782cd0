#include "platform/desktop/helper_dialogs.h"

#include <string>

#include "platform/desktop/file_chooser.h"
#include "platform/process/helper_process.h"

namespace lumetra::platform {

const char* answerWord(DialogAnswer answer) {
  switch (answer) {
    case DialogAnswer::ok:
      return "ok";
    case DialogAnswer::yes:
      return "yes";
    case DialogAnswer::no:
      break;
  }
  return "no";
}

DialogAnswer HelperDialogs::show(std::string_view caption, std::string_view text, DialogButtons buttons) {
  const bool yesNo = buttons == DialogButtons::yesNo;
  const auto outcome =
      runHelper(kMessageBoxMode, {std::string(caption), std::string(text), yesNo ? kYesNoButtons : kOkButtons});
  if (!outcome || outcome->exitStatus != 0) return StderrDialogs().show(caption, text, buttons);
  if (!yesNo) return DialogAnswer::ok;
  // Anything but a clear "yes" is a no: a question must never be taken as
  // agreed because the helper misbehaved.
  return outcome->output == "yes\n" ? DialogAnswer::yes : DialogAnswer::no;
}

std::optional<std::string> HelperDialogs::chooseFile(const std::string& filterName, const std::string& pattern) {
  return chooseExistingFile(filterName, pattern);
}

}  // namespace lumetra::platform
