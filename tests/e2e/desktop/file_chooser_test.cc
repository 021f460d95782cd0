#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "e2e/support/processes.h"
#include "e2e/support/x_server.h"
#include "e2e/support/x_windows.h"
#include "functions/host_functions.h"
#include "platform/process/helper_process.h"
#include "support/temp_dir.h"
#include "support/test_context.h"

namespace lumetra {
namespace {

// selectFile as the web process runs it, answered by the chooser of the real
// lumetra executable, which a second thread works with the keyboard.
class FileChooserTest : public ::testing::Test {
 protected:
  // Runs selectFile while `keys` go to the chooser once it shows and then
  // `repeatedKey` goes to it until it has closed: GTK drops an Enter that
  // comes before it has taken in a typed path.
  CallResult selectFileAnswering(const std::vector<std::string>& keys, const std::string& repeatedKey) {
    std::atomic<bool> closed{false};
    std::thread staff([&] {
      std::optional<Window> chooser;
      const bool answered =
          e2e::eventually([&] { return (chooser = e2e::findWindow(x_.connection(), "打开")).has_value(); }) &&
          xdotool({"windowactivate", "--sync", std::to_string(*chooser)}) && xdotool(keys) && e2e::eventually([&] {
            return closed || (xdotool({"key", repeatedKey}), false);
          });
      if (!answered) stopChooser();
    });
    CallResult result = call("selectFile", {});
    closed = true;
    staff.join();
    return result;
  }

  bool xdotool(std::vector<std::string> arguments) {
    e2e::SpawnOptions options;
    options.arguments = std::move(arguments);
    options.arguments.insert(options.arguments.begin(), "xdotool");
    return e2e::waitForExit(e2e::spawn(options)) == 0;
  }

  // Lets a test that cannot reach the chooser fail instead of hanging.
  void stopChooser() {
    for (pid_t helper : e2e::childProcesses(::getpid(), "lumetra")) ::kill(helper, SIGTERM);
  }

  e2e::XServer x_;
  test::TempDir home_;
  test::ScopedEnv display_{"DISPLAY", x_.display()};
  test::ScopedEnv executable_{platform::kExecutableVariable, LUMETRA_EXECUTABLE_PATH};
  test::ScopedEnv noDialogLog_{"LUMETRA_DIALOG_LOG", ""};
  test::ScopedEnv homeFolder_{"HOME", home_.path().string()};
  test::ScopedEnv dataFolder_{"XDG_DATA_HOME", (home_.path() / "data").string()};
  test::ScopedEnv noSettingsDaemon_{"GSETTINGS_BACKEND", "memory"};
  test::ScopedEnv noAccessibilityBus_{"NO_AT_BRIDGE", "1"};
  CallResult call(std::string_view name, const CallArguments& arguments) { return host_.call(name, arguments); }
  test::HostContext host_;
};

TEST_F(FileChooserTest, PicksTheFileTypedIntoTheChooser) {
  // ASCII only: xdotool types other characters through a keymap change that
  // GTK may not have seen yet.
  const auto song = home_.write("music/Opening 1.MP3", "ID3");
  EXPECT_EQ(selectFileAnswering({"key", "ctrl+l", "type", song.string()}, "Return"), CallResult::string(song.string()));
}

TEST_F(FileChooserTest, CancellingGivesUndefined) {
  EXPECT_TRUE(selectFileAnswering({"key", "Escape"}, "Escape").isUndefined());
}

}  // namespace
}  // namespace lumetra
