#include "platform/desktop/dialogs.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace lumetra::platform {
namespace {

Dialogs*& installed() {
  static Dialogs* dialogs = nullptr;
  return dialogs;
}

std::string escapeLineFeeds(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out;
}

// One write with O_APPEND, so boxes from several processes never mix.
void appendLine(const char* path, const std::string& line) {
  const int fd = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) {
    std::fprintf(stderr, "lumetra: cannot append message box to %s\n", path);
    return;
  }
  const ssize_t written = ::write(fd, line.data(), line.size());
  (void)written;
  ::close(fd);
}

DialogAnswer loggedAnswer(DialogButtons buttons) {
  if (buttons == DialogButtons::ok) return DialogAnswer::ok;
  const char* answer = std::getenv("LUMETRA_DIALOG_ANSWER");
  return (answer && std::string_view(answer) == "yes") ? DialogAnswer::yes : DialogAnswer::no;
}

}  // namespace

DialogAnswer showDialog(std::string_view caption, std::string_view text, DialogButtons buttons) {
  const char* logPath = std::getenv("LUMETRA_DIALOG_LOG");
  if (logPath && *logPath) {
    appendLine(logPath, std::string(caption) + '\t' + escapeLineFeeds(text) + '\n');
    return loggedAnswer(buttons);
  }
  if (Dialogs* dialogs = installed()) return dialogs->show(caption, text, buttons);
  return showDialogOnStderr(caption, text, buttons);
}

DialogAnswer showDialogOnStderr(std::string_view caption, std::string_view text, DialogButtons buttons) {
  std::fprintf(stderr, "lumetra: [%.*s] %.*s\n", static_cast<int>(caption.size()), caption.data(),
               static_cast<int>(text.size()), text.data());
  return buttons == DialogButtons::ok ? DialogAnswer::ok : DialogAnswer::no;
}

void installDialogs(Dialogs* dialogs) { installed() = dialogs; }

}  // namespace lumetra::platform
