#pragma once

#include <string>
#include <vector>

#include "platform/desktop/dialogs.h"
#include "support/temp_dir.h"

namespace lumetra::test {

// Keeps every message box shown ("caption|text") instead of showing it, and
// answers OK/No. Installed for the life of the object; needs no descriptor,
// so it records even when a test has taken every descriptor away.
class RecordingDialogs : public platform::Dialogs {
 public:
  RecordingDialogs();
  ~RecordingDialogs() override;
  RecordingDialogs(const RecordingDialogs&) = delete;
  RecordingDialogs& operator=(const RecordingDialogs&) = delete;

  platform::DialogAnswer show(std::string_view caption, std::string_view text, platform::DialogButtons buttons) override;
  const std::vector<std::string>& shown() const { return shown_; }

 private:
  ScopedEnv noLogMode_;  // the log mode would take precedence over installed dialogs
  std::vector<std::string> shown_;
};

}  // namespace lumetra::test
