#include "app/helpers/message_box.h"

#include <gtk/gtk.h>

#include <cstdio>
#include <string>

#include "base/log.h"
#include "platform/desktop/helper_dialogs.h"
#include "platform/process/helper_process.h"

namespace lumetra::shell {

using platform::DialogAnswer;
using platform::DialogButtons;

DialogAnswer showMessageBox(std::string_view caption, std::string_view text, DialogButtons buttons) {
  const bool yesNo = buttons == DialogButtons::yesNo;
  const std::string message(text);
  GtkWidget* dialog = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, yesNo ? GTK_MESSAGE_QUESTION : GTK_MESSAGE_INFO,
                                             yesNo ? GTK_BUTTONS_YES_NO : GTK_BUTTONS_OK, "%s", message.c_str());
  gtk_window_set_title(GTK_WINDOW(dialog), std::string(caption).c_str());
  gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
  gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
  gtk_window_set_urgency_hint(GTK_WINDOW(dialog), TRUE);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), yesNo ? GTK_RESPONSE_YES : GTK_RESPONSE_OK);
  const int response = gtk_dialog_run(GTK_DIALOG(dialog));
  gtk_widget_destroy(dialog);
  if (!yesNo) return DialogAnswer::ok;
  // Closing a question without answering it is a "no".
  return response == GTK_RESPONSE_YES ? DialogAnswer::yes : DialogAnswer::no;
}

int messageBoxHelper(std::span<char*> arguments) {
  if (arguments.size() != 3) {
    logf(LogLevel::error, "usage: lumetra %smessage-box CAPTION TEXT %s|%s", platform::kHelperSwitch,
         platform::kOkButtons, platform::kYesNoButtons);
    return 2;
  }
  const std::string_view buttonsWord = arguments[2];
  if (buttonsWord != platform::kOkButtons && buttonsWord != platform::kYesNoButtons) return 2;
  if (!gtk_init_check(nullptr, nullptr)) {
    logf(LogLevel::warning, "message box: cannot open the display");
    return 2;
  }
  const DialogButtons buttons = buttonsWord == platform::kOkButtons ? DialogButtons::ok : DialogButtons::yesNo;
  std::printf("%s\n", platform::answerWord(showMessageBox(arguments[0], arguments[1], buttons)));
  return 0;
}

}  // namespace lumetra::shell
