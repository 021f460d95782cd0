#include "platform/desktop/dialogs.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace lumetra::platform {
namespace {

class LoggedDialogsTest : public ::testing::Test {
 protected:
  test::TempDir dir_;
  std::filesystem::path log_ = dir_.path() / "boxes.log";
};

TEST_F(LoggedDialogsTest, EachBoxIsOneLineWithEscapedLineFeeds) {
  LoggedDialogs dialogs(log_, DialogAnswer::yes);
  EXPECT_EQ(dialogs.show("提示", "获取本地IP地址失败！\n", DialogButtons::ok), DialogAnswer::ok);
  dialogs.show("StartDocPrinter", "1801", DialogButtons::ok);
  EXPECT_EQ(test::readFile(log_), "提示\t获取本地IP地址失败！\\n\nStartDocPrinter\t1801\n");
  EXPECT_EQ(std::filesystem::status(log_).permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  EXPECT_FALSE(dialogs.attended());
}

TEST_F(LoggedDialogsTest, TheEnvironmentChoosesTheLogOnceWithItsAnswers) {
  test::ScopedEnv noLog("LUMETRA_DIALOG_LOG", "");
  EXPECT_EQ(loggedDialogsFromEnvironment(), nullptr);

  test::ScopedEnv log("LUMETRA_DIALOG_LOG", log_.string());
  const auto answeringNo = loggedDialogsFromEnvironment();
  ASSERT_NE(answeringNo, nullptr);
  test::ScopedEnv yes("LUMETRA_DIALOG_ANSWER", "yes");
  const auto answeringYes = loggedDialogsFromEnvironment();
  // Read at creation: a later change of the environment changes nothing.
  EXPECT_EQ(answeringNo->show("c", "t", DialogButtons::yesNo), DialogAnswer::no);
  EXPECT_EQ(answeringYes->show("c", "t", DialogButtons::yesNo), DialogAnswer::yes);
}

TEST_F(LoggedDialogsTest, TheChooserAnswersOnlyWithAnExistingFile) {
  dir_.write("song.mp3", "x");
  EXPECT_EQ(LoggedDialogs(log_, DialogAnswer::no, (dir_.path() / "song.mp3").string()).chooseFile("MP3", "*.mp3"),
            (dir_.path() / "song.mp3").string());
  EXPECT_EQ(LoggedDialogs(log_, DialogAnswer::no, (dir_.path() / "gone.mp3").string()).chooseFile("MP3", "*.mp3"),
            std::nullopt);
  EXPECT_EQ(LoggedDialogs(log_, DialogAnswer::no).chooseFile("MP3", "*.mp3"), std::nullopt);
}

}  // namespace
}  // namespace lumetra::platform
