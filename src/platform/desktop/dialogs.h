#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace lumetra::platform {

enum class DialogButtons { ok, yesNo };
enum class DialogAnswer { ok, yes, no };

// Message boxes and the file chooser for the shop's staff: always on top,
// modal, with the exact caption and text given (UTF-8). A process chooses
// its dialogs once at start-up and hands them to whatever shows one.
class Dialogs {
 public:
  virtual ~Dialogs() = default;
  virtual DialogAnswer show(std::string_view caption, std::string_view text, DialogButtons buttons) = 0;
  // One existing file whose name matches `pattern` (a glob such as "*.mp3",
  // without regard to case), offered under `filterName`; nullopt on cancel.
  virtual std::optional<std::string> chooseFile(const std::string& filterName, const std::string& pattern) = 0;
  // False when no one is there to answer (headless runs): callers that
  // would ask where to save something then decide for themselves.
  virtual bool attended() const { return true; }
};

// Where no dialog can be shown: the box goes to stderr, a Yes/No box is
// answered "no" and the chooser is cancelled.
class StderrDialogs final : public Dialogs {
 public:
  DialogAnswer show(std::string_view caption, std::string_view text, DialogButtons buttons) override;
  std::optional<std::string> chooseFile(const std::string&, const std::string&) override { return std::nullopt; }
};

// Headless runs and tests: nothing is shown. Each box is appended to `log`
// as one line "caption<TAB>text" (line feeds in the text written as the two
// characters \n), Yes/No boxes get `yesNoAnswer`, and the chooser answers
// `fileChoice` when it names an existing file, else cancels.
class LoggedDialogs final : public Dialogs {
 public:
  LoggedDialogs(std::filesystem::path log, DialogAnswer yesNoAnswer, std::string fileChoice = {});

  DialogAnswer show(std::string_view caption, std::string_view text, DialogButtons buttons) override;
  std::optional<std::string> chooseFile(const std::string& filterName, const std::string& pattern) override;
  bool attended() const override { return false; }

 private:
  std::filesystem::path log_;
  DialogAnswer yesNoAnswer_;
  std::string fileChoice_;
};

// The logged dialogs when LUMETRA_DIALOG_LOG names a file (the answer to
// Yes/No boxes from LUMETRA_DIALOG_ANSWER, "yes" or "no" by default; the
// chooser's from LUMETRA_FILE_CHOICE); otherwise null, and the host shows
// its boxes on screen. Read once, at start-up.
std::unique_ptr<LoggedDialogs> loggedDialogsFromEnvironment();

}  // namespace lumetra::platform
