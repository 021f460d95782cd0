#include <gtest/gtest.h>

#include "functions/host_functions.h"
#include "platform/process/helper_process.h"
#include "support/temp_dir.h"
#include "support/test_context.h"

namespace lumetra {
namespace {

class SelectFileLogModeTest : public ::testing::Test {
 protected:
  test::TempDir music_;
  test::ScopedWorkingDirectory inMusic_{music_.path()};
  test::ScopedEnv dialogLog_{"LUMETRA_DIALOG_LOG", (music_.path() / "boxes.log").string()};
  CallResult call(std::string_view name, const CallArguments& arguments) { return host_.call(name, arguments); }
  test::HostContext host_;
};

TEST_F(SelectFileLogModeTest, AnswersWithTheScriptedFileAsAFullPath) {
  const auto song = music_.write("歌曲/开业 1.mp3", "ID3");
  {
    test::ScopedEnv choice("LUMETRA_FILE_CHOICE", song.string());
    EXPECT_EQ(call("selectFile", {}), CallResult::string(song.string()));
  }
  test::ScopedEnv relative("LUMETRA_FILE_CHOICE", "歌曲/开业 1.mp3");
  EXPECT_EQ(call("selectFile", {}), CallResult::string(song.string()));
}

TEST_F(SelectFileLogModeTest, CancelsForNoChoiceOrWhatTheChooserWouldNotAccept) {
  music_.write("歌曲/a.mp3", "ID3");
  EXPECT_TRUE(call("selectFile", {}).isUndefined());
  for (const char* choice : {"", "歌曲/missing.mp3", "歌曲"}) {
    test::ScopedEnv scripted("LUMETRA_FILE_CHOICE", choice);
    EXPECT_TRUE(call("selectFile", {}).isUndefined()) << choice;
  }
}

// A stand-in for the lumetra executable that notes its arguments, then
// answers as the chooser would.
class SelectFileHelperTest : public ::testing::Test {
 protected:
  void answer(const std::string& body) {
    const auto script = dir_.write("lumetra", "#!/bin/sh\nprintf '%s|' \"$@\" > \"$0.args\"\n" + body);
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  }
  std::string arguments() const { return test::readFile(dir_.path() / "lumetra.args"); }

  test::TempDir dir_;
  test::ScopedEnv noLog_{"LUMETRA_DIALOG_LOG", ""};
  test::ScopedEnv executable_{platform::kExecutableVariable, (dir_.path() / "lumetra").string()};
  CallResult call(std::string_view name, const CallArguments& arguments) { return host_.call(name, arguments); }
  test::HostContext host_;
};

TEST_F(SelectFileHelperTest, TakesThePathTheHelperWrites) {
  answer("printf '/home/shop/音乐/a b.mp3'\n");
  EXPECT_EQ(call("selectFile", {}), CallResult::string("/home/shop/音乐/a b.mp3"));
  EXPECT_EQ(arguments(), "--lumetra-helper=select-file|MP3文件|*.mp3|");
}

TEST_F(SelectFileHelperTest, CancelledOrFailedHelpersGiveUndefined) {
  answer("exit 1\n");
  EXPECT_TRUE(call("selectFile", {}).isUndefined());
  answer("printf '/half/written'; kill -9 $$\n");
  EXPECT_TRUE(call("selectFile", {}).isUndefined());
  test::ScopedEnv noExecutable(platform::kExecutableVariable, "");
  EXPECT_TRUE(call("selectFile", {}).isUndefined());
}

}  // namespace
}  // namespace lumetra
