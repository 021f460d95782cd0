#include <gtest/gtest.h>

#include "e2e/support/processes.h"
#include "e2e/support/shell.h"
#include "e2e/support/x_windows.h"

namespace lumetra::e2e {
namespace {

std::optional<Window> waitForWindow(Display* display, const std::string& title) {
  std::optional<Window> window;
  eventually([&] { return (window = findWindow(display, title)).has_value(); });
  return window;
}

TEST(CloseTest, WindowManagerCloseRunsThePagesUnloadHandlingThenEndsTheShell) {
  XServer x;
  ShellHome home;
  Shell shell(x, home, {.startPage = pageUrl("close.html")});
  ASSERT_TRUE(home.waitForConsole("close page loaded")) << shell.errors();
  const auto main = waitForWindow(x.connection(), "Velmora");
  ASSERT_TRUE(main);
  EXPECT_EQ(home.consoleText().find("unload handling ran"), std::string::npos);

  closeWindow(x.connection(), *main);
  EXPECT_EQ(shell.waitForExit(), 0);
  EXPECT_NE(home.consoleText().find("Message: unload handling ran\r\n"), std::string::npos);
}

TEST(CloseTest, ClosingTheMainWindowClosesTheCustomerDisplayWhileOtherPopupsKeepTheShellRunning) {
  XServer x({.secondMonitor = true});
  ShellHome home;
  Shell shell(x, home, {.startPage = pageUrl("close.html?popups")});
  Display* display = x.connection();
  const auto main = waitForWindow(display, "Velmora");
  const auto customer = waitForWindow(display, "Customer screen");
  const auto plain = waitForWindow(display, "Plain popup");
  ASSERT_TRUE(main && customer && plain) << shell.errors();

  closeWindow(display, *main);
  ASSERT_TRUE(eventually([&] { return !findWindow(display, "Velmora") && !findWindow(display, "Customer screen"); }));
  // The popup's page still runs and its messages still reach the log: the
  // shell is alive.
  const std::size_t logSize = home.consoleText().size();
  ASSERT_TRUE(eventually([&] { return home.consoleText().find("tick", logSize) != std::string::npos; }))
      << shell.errors();
  EXPECT_TRUE(findWindow(display, "Plain popup"));

  closeWindow(display, *plain);
  EXPECT_EQ(shell.waitForExit(), 0);
}

}  // namespace
}  // namespace lumetra::e2e
