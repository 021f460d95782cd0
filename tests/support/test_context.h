#pragma once

#include <gtest/gtest.h>

#include <string_view>

#include "base/call_frame.h"
#include "functions/context.h"
#include "platform/print/spooler.h"
#include "support/recording_dialogs.h"
#include "support/recording_spooler.h"

namespace lumetra::test {

// Runs the window function of that name as the page would call it, with
// the table's argument count rules.
CallResult callFunction(Context& context, std::string_view name, const CallArguments& arguments);

// A web process's state for a test that is no fixture: no spooler service
// and message boxes recorded.
struct TestContextHolder {
  platform::UnavailableSpooler spooler;
  RecordingDialogs dialogs;
  Context context{spooler, dialogs};
};

// A test with a web process's state of its own: a recording spooler (with
// no printer until the test adds one) and message boxes recorded.
class ContextTest : public ::testing::Test {
 protected:
  CallResult call(std::string_view name, const CallArguments& arguments) {
    return callFunction(context_, name, arguments);
  }

  RecordingSpooler spooler_;
  RecordingDialogs dialogs_;
  Context context_{spooler_, dialogs_};
};

// Dialogs as a web process chooses them at start-up (logged when
// LUMETRA_DIALOG_LOG is set, else on screen through the helper), chosen
// again at every box so that a test can change the environment between calls.
class EnvironmentDialogs : public platform::Dialogs {
 public:
  platform::DialogAnswer show(std::string_view caption, std::string_view text, platform::DialogButtons buttons) override;
  std::optional<std::string> chooseFile(const std::string& filterName, const std::string& pattern) override;
};

// The window functions as the shell's web process runs them: no spooler,
// the host's dialogs.
class HostContext {
 public:
  CallResult call(std::string_view name, const CallArguments& arguments) {
    return callFunction(context_, name, arguments);
  }

 private:
  platform::UnavailableSpooler spooler_;
  EnvironmentDialogs dialogs_;
  Context context_{spooler_, dialogs_};
};

}  // namespace lumetra::test
