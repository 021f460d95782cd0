#include <gtest/gtest.h>

#include <fstream>

#include "e2e/support/processes.h"
#include "e2e/support/shell.h"

namespace lumetra::e2e {
namespace {

// With message boxes going to a log nobody answers the save dialog, so the
// download goes straight to the Documents folder under its suggested name.
TEST(BrowserClientTest, DownloadsGoToTheDocumentsFolder) {
  XServer x({.windowManager = false});
  ShellHome home;
  std::filesystem::create_directories(home.directory() / "config");
  std::filesystem::create_directories(home.directory() / "Documents");
  std::ofstream(home.directory() / "config" / "user-dirs.dirs") << "XDG_DOCUMENTS_DIR=\"$HOME/Documents\"\n";
  Shell shell(x, home, {.startPage = pageUrl("download.html")});
  const auto saved = home.directory() / "Documents" / "daily-report.txt";
  ASSERT_TRUE(eventually([&] { return readText(saved) == "日结报表 123"; })) << shell.errors();
}

TEST(BrowserClientTest, TheCursorSwitchKeepsPagesFromChangingThePointer) {
  XServer x({.windowManager = false});
  {
    ShellHome home;
    Shell shell(x, home, {.startPage = pageUrl("cursor.html")});
    ASSERT_TRUE(home.waitForConsole("cursor: ")) << shell.errors();
    EXPECT_NE(home.consoleText().find("cursor: pointer\r\n"), std::string::npos) << home.consoleText();
  }
  ShellHome home;
  Shell shell(x, home, {.startPage = pageUrl("cursor.html"), .switches = {"--mouse-cursor-change-disabled"}});
  ASSERT_TRUE(home.waitForConsole("cursor: ")) << shell.errors();
  EXPECT_NE(home.consoleText().find("cursor: default\r\n"), std::string::npos) << home.consoleText();
}

}  // namespace
}  // namespace lumetra::e2e
