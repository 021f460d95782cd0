#include <gtest/gtest.h>
#include <signal.h>

#include "e2e/support/processes.h"
#include "e2e/support/shell.h"
#include "e2e/support/x_windows.h"

namespace lumetra::e2e {
namespace {

TEST(SingleInstanceTest, SecondStartIsRefusedWithTheMessageAndMaximisesTheRunningShell) {
  XServer x;
  ShellHome home;
  // No splash in the first: its window stays minimised until the second's
  // splash closes.
  Shell first(x, home, {.startPage = pageUrl("velmora.html"), .switches = {"--multi-threaded-message-loop"}});
  ASSERT_TRUE(home.waitForConsole("velmora loaded")) << first.errors();
  std::optional<Window> main;
  ASSERT_TRUE(eventually([&] { return (main = findWindow(x.connection(), "Velmora")).has_value(); }));
  ASSERT_TRUE(isMinimised(x.connection(), *main));

  Shell second(x, home, {.startPage = pageUrl("velmora.html")});
  EXPECT_EQ(second.waitForExit(), 0) << second.errors();
  EXPECT_EQ(readText(home.dialogLog()), "提示\t该程序已经在运行！\n");
  EXPECT_TRUE(eventually([&] { return isMaximised(x.connection(), *main); }));
  EXPECT_EQ(occurrences(home.consoleText(), "velmora loaded"), 1u) << "the second never loads a page";
}

TEST(FocusTest, OnlyChangesOfEditabilityReachTheUiProcess) {
  XServer x;
  ShellHome home;
  Shell shell(x, home, {.startPage = pageUrl("focus.html")});
  ASSERT_TRUE(home.waitForConsole("focus steps done")) << shell.errors();
  std::string messages;
  const std::string errors = shell.errors();
  for (auto at = errors.find("lumetra: message "); at != std::string::npos;
       at = errors.find("lumetra: message ", at + 1)) {
    messages += errors.substr(at, errors.find('\n', at) - at + 1);
  }
  EXPECT_EQ(messages,
            "lumetra: message ClientRenderer.FocusedNodeChanged true\n"
            "lumetra: message ClientRenderer.FocusedNodeChanged false\n");
}

TEST(WebProcessTest, AKilledWebProcessIsReportedAndItsPageComesBackWithItsFunctions) {
  XServer x({.windowManager = false});
  ShellHome home;
  Shell shell(x, home, {.startPage = pageUrl("reload.html")});
  ASSERT_TRUE(home.waitForConsole("page ready: function")) << shell.errors();
  const auto webProcesses = childProcesses(shell.pid(), "WebKitWebProces");
  ASSERT_EQ(webProcesses.size(), 1u);
  ASSERT_EQ(::kill(webProcesses.front(), SIGKILL), 0);

  EXPECT_TRUE(eventually([&] { return occurrences(home.consoleText(), "page ready: function") == 2; }))
      << home.consoleText() << shell.errors();
  EXPECT_NE(shell.errors().find("reloading"), std::string::npos) << shell.errors();
}

}  // namespace
}  // namespace lumetra::e2e
