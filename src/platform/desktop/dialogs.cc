#include "platform/desktop/dialogs.h"

#include <cstdio>
#include <cstdlib>

#include "base/log.h"
#include "platform/files/private_files.h"

namespace lumetra::platform {
namespace {

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

void appendLine(const std::filesystem::path& path, const std::string& line) {
  if (!appendToPrivateFile(path, line)) logf(LogLevel::warning, "cannot append message box to %s", path.c_str());
}

std::string environmentText(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

DialogAnswer StderrDialogs::show(std::string_view caption, std::string_view text, DialogButtons buttons) {
  logf(LogLevel::warning, "[%.*s] %.*s", static_cast<int>(caption.size()), caption.data(),
       static_cast<int>(text.size()), text.data());
  return buttons == DialogButtons::ok ? DialogAnswer::ok : DialogAnswer::no;
}

LoggedDialogs::LoggedDialogs(std::filesystem::path log, DialogAnswer yesNoAnswer, std::string fileChoice)
    : log_(std::move(log)), yesNoAnswer_(yesNoAnswer), fileChoice_(std::move(fileChoice)) {}

DialogAnswer LoggedDialogs::show(std::string_view caption, std::string_view text, DialogButtons buttons) {
  appendLine(log_, std::string(caption) + '\t' + escapeLineFeeds(text) + '\n');
  return buttons == DialogButtons::ok ? DialogAnswer::ok : yesNoAnswer_;
}

std::optional<std::string> LoggedDialogs::chooseFile(const std::string&, const std::string&) {
  if (fileChoice_.empty()) return std::nullopt;
  std::error_code error;
  const std::filesystem::path path = std::filesystem::absolute(fileChoice_, error);
  if (error || !std::filesystem::is_regular_file(path, error)) return std::nullopt;
  return path.string();
}

std::unique_ptr<LoggedDialogs> loggedDialogsFromEnvironment() {
  const std::string log = environmentText("LUMETRA_DIALOG_LOG");
  if (log.empty()) return nullptr;
  const DialogAnswer answer = environmentText("LUMETRA_DIALOG_ANSWER") == "yes" ? DialogAnswer::yes : DialogAnswer::no;
  return std::make_unique<LoggedDialogs>(log, answer, environmentText("LUMETRA_FILE_CHOICE"));
}

}  // namespace lumetra::platform
