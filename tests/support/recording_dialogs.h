#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/desktop/dialogs.h"

namespace lumetra::test {

// Keeps every message box shown ("caption|text") instead of showing it, and
// answers OK/No; the chooser is cancelled. Needs no descriptor, so it
// records even when a test has taken every descriptor away.
class RecordingDialogs : public platform::Dialogs {
 public:
  platform::DialogAnswer show(std::string_view caption, std::string_view text,
                              platform::DialogButtons buttons) override;
  std::optional<std::string> chooseFile(const std::string&, const std::string&) override { return std::nullopt; }
  const std::vector<std::string>& shown() const { return shown_; }

 private:
  std::vector<std::string> shown_;
};

}  // namespace lumetra::test
