#include "platform/desktop/helper_dialogs.h"

#include <gtest/gtest.h>

#include "platform/process/helper_process.h"
#include "support/temp_dir.h"

namespace lumetra::platform {
namespace {

// A stand-in for the lumetra executable: records its arguments, then
// answers with what the test planned.
class HelperDialogsTest : public ::testing::Test {
 protected:
  void answerWith(const std::string& output, int exitCode) {
    const auto script =
        dir_.write("fake-lumetra", "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + (dir_.path() / "arguments").string() +
                                       "'\nprintf '" + output + "'\nexit " + std::to_string(exitCode) + "\n");
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    executable_.emplace(kExecutableVariable, script.string());
  }
  std::string arguments() const { return test::readFile(dir_.path() / "arguments"); }

  test::TempDir dir_;
  std::optional<test::ScopedEnv> executable_;
  test::ScopedEnv noLog_{"LUMETRA_DIALOG_LOG", ""};
  HelperDialogs dialogs_;
};

TEST_F(HelperDialogsTest, AsksTheMessageBoxHelperWithCaptionTextAndButtons) {
  answerWith("yes\\n", 0);
  EXPECT_EQ(dialogs_.show("提示", "打印机未连接\n是否重试？", DialogButtons::yesNo), DialogAnswer::yes);
  EXPECT_EQ(arguments(), "--lumetra-helper=message-box\n提示\n打印机未连接\n是否重试？\nyes-no\n");

  answerWith("ok\\n", 0);
  EXPECT_EQ(dialogs_.show("提示", "done", DialogButtons::ok), DialogAnswer::ok);
  EXPECT_EQ(arguments(), "--lumetra-helper=message-box\n提示\ndone\nok\n");
}

TEST_F(HelperDialogsTest, AnythingButAClearYesIsNo) {
  answerWith("no\\n", 0);
  EXPECT_EQ(dialogs_.show("提示", "q", DialogButtons::yesNo), DialogAnswer::no);
  answerWith("yes please\\n", 0);
  EXPECT_EQ(dialogs_.show("提示", "q", DialogButtons::yesNo), DialogAnswer::no);
  // A helper that failed (no display) said nothing the user chose.
  answerWith("yes\\n", 2);
  EXPECT_EQ(dialogs_.show("提示", "q", DialogButtons::yesNo), DialogAnswer::no);
}

TEST_F(HelperDialogsTest, WithoutTheUiProcessTheBoxGoesToStderr) {
  executable_.emplace(kExecutableVariable, "");
  testing::internal::CaptureStderr();
  EXPECT_EQ(dialogs_.show("提示", "no display", DialogButtons::yesNo), DialogAnswer::no);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "lumetra: [提示] no display\n");
}

}  // namespace
}  // namespace lumetra::platform
