#include <gtest/gtest.h>

#include "e2e/support/processes.h"
#include "e2e/support/x_server.h"
#include "e2e/support/x_windows.h"
#include "support/temp_dir.h"

namespace lumetra::e2e {
namespace {

// The message-box helper mode of the real executable on a desktop.
class MessageBoxHelperTest : public ::testing::Test {
 protected:
  pid_t startBox(const std::string& caption, const std::string& text, const std::string& buttons) {
    SpawnOptions options;
    options.arguments = {LUMETRA_EXECUTABLE_PATH, "--lumetra-helper=message-box", caption, text, buttons};
    options.environment = {{"DISPLAY", x_.display()}, {"HOME", dir_.path().string()}, {"NO_AT_BRIDGE", "1"}};
    options.outputFile = dir_.path() / "answer";
    return spawn(options);
  }
  std::optional<Window> waitForWindow(const std::string& title) {
    std::optional<Window> window;
    eventually([&] { return (window = findWindow(x_.connection(), title)).has_value(); });
    return window;
  }
  void press(Window window, const char* key) {
    SpawnOptions options;
    options.arguments = {"xdotool", "windowactivate", "--sync", std::to_string(window), "key", "--clearmodifiers", key};
    options.environment = {{"DISPLAY", x_.display()}};
    ASSERT_EQ(waitForExit(spawn(options)), 0);
  }
  std::string answer() const { return readText(dir_.path() / "answer"); }

  XServer x_;
  test::TempDir dir_;
};

TEST_F(MessageBoxHelperTest, AQuestionStaysOnTopAsAModalBoxAndItsDefaultAnswerIsYes) {
  const pid_t box = startBox("提示", "厨房打印机未连接，是否重试？", "yes-no");
  const auto window = waitForWindow("提示");
  ASSERT_TRUE(window);
  EXPECT_TRUE(hasState(x_.connection(), *window, "_NET_WM_STATE_ABOVE"));
  EXPECT_TRUE(hasState(x_.connection(), *window, "_NET_WM_STATE_MODAL"));
  press(*window, "Return");
  EXPECT_EQ(waitForExit(box), 0);
  EXPECT_EQ(answer(), "yes\n");
}

TEST_F(MessageBoxHelperTest, ClosingAQuestionIsNoAndClosingANoticeIsOk) {
  pid_t box = startBox("提示", "是否退出？", "yes-no");
  auto window = waitForWindow("提示");
  ASSERT_TRUE(window);
  closeWindow(x_.connection(), *window);
  EXPECT_EQ(waitForExit(box), 0);
  EXPECT_EQ(answer(), "no\n");

  box = startBox("错误", "打印失败", "ok");
  window = waitForWindow("错误");
  ASSERT_TRUE(window);
  closeWindow(x_.connection(), *window);
  EXPECT_EQ(waitForExit(box), 0);
  EXPECT_EQ(answer(), "ok\n");
}

TEST_F(MessageBoxHelperTest, WrongUseIsRefusedWithoutShowingAnything) {
  SpawnOptions options;
  options.environment = {{"DISPLAY", x_.display()}};
  options.arguments = {LUMETRA_EXECUTABLE_PATH, "--lumetra-helper=message-box", "only caption"};
  EXPECT_EQ(waitForExit(spawn(options)), 2);
  options.arguments = {LUMETRA_EXECUTABLE_PATH, "--lumetra-helper=message-box", "c", "t", "maybe"};
  EXPECT_EQ(waitForExit(spawn(options)), 2);
  options.arguments = {LUMETRA_EXECUTABLE_PATH, "--lumetra-helper=no-such-mode"};
  EXPECT_EQ(waitForExit(spawn(options)), 2);
  EXPECT_FALSE(findWindow(x_.connection(), "c"));
}

}  // namespace
}  // namespace lumetra::e2e
