#include "platform/desktop/dialogs.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace lumetra::platform {
namespace {

class DialogLogTest : public ::testing::Test {
 protected:
  test::TempDir dir_;
  test::ScopedEnv log_{"LUMETRA_DIALOG_LOG", (dir_.path() / "boxes.log").string()};
};

TEST_F(DialogLogTest, EachBoxIsOneLineWithEscapedLineFeeds) {
  EXPECT_EQ(showDialog("提示", "获取本地IP地址失败！\n"), DialogAnswer::ok);
  showDialog("StartDocPrinter", "1801");
  EXPECT_EQ(test::readFile(dir_.path() / "boxes.log"),
            "提示\t获取本地IP地址失败！\\n\nStartDocPrinter\t1801\n");
}

TEST_F(DialogLogTest, YesNoBoxesTakeTheConfiguredAnswer) {
  EXPECT_EQ(showDialog("c", "t", DialogButtons::yesNo), DialogAnswer::no);
  test::ScopedEnv yes("LUMETRA_DIALOG_ANSWER", "yes");
  EXPECT_EQ(showDialog("c", "t", DialogButtons::yesNo), DialogAnswer::yes);
}

class AnsweringDialogs : public Dialogs {
 public:
  DialogAnswer show(std::string_view caption, std::string_view, DialogButtons) override {
    lastCaption = caption;
    return DialogAnswer::yes;
  }
  std::string lastCaption;
};

TEST(DialogsTest, InstalledDialogsShowWhenNotLogging) {
  test::ScopedEnv noLog("LUMETRA_DIALOG_LOG", "");
  AnsweringDialogs screen;
  installDialogs(&screen);
  EXPECT_EQ(showDialog("更新", "?", DialogButtons::yesNo), DialogAnswer::yes);
  EXPECT_EQ(screen.lastCaption, "更新");
  installDialogs(nullptr);
  EXPECT_EQ(showDialog("更新", "?", DialogButtons::yesNo), DialogAnswer::no);
}

}  // namespace
}  // namespace lumetra::platform
