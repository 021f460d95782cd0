#include <gtest/gtest.h>

#include "e2e/support/processes.h"
#include "e2e/support/shell.h"
#include "e2e/support/x_windows.h"
#include "functions/host_functions.h"
#include "support/test_context.h"

namespace lumetra {
namespace {

// The page itself, in the real web process, names its own window.
TEST(ShellWindowsTest, ThePageClosingItsWindowByTitleEndsTheShellAfterItsUnloadHandling) {
  e2e::XServer x;
  e2e::ShellHome home;
  e2e::Shell shell(x, home, {.startPage = e2e::pageUrl("close_by_title.html")});
  EXPECT_EQ(shell.waitForExit(), 0) << shell.errors();
  const std::string console = home.consoleText();
  EXPECT_NE(console.find("Message: closeOtherWindow gave true\r\n"), std::string::npos) << console;
  EXPECT_NE(console.find("Message: unload handling ran\r\n"), std::string::npos) << console;
}

TEST(ShellWindowsTest, MinimisingTheMainPagesTitleMinimisesTheShellsWindow) {
  e2e::XServer x;
  e2e::ShellHome home;
  e2e::Shell shell(x, home, {.startPage = e2e::pageUrl("close.html")});
  std::optional<Window> main;
  ASSERT_TRUE(e2e::eventually([&] {
    main = e2e::findWindow(x.connection(), "Velmora");
    return main && e2e::isMaximised(x.connection(), *main);
  })) << shell.errors();

  test::ScopedEnv display("DISPLAY", x.display());
  EXPECT_EQ(test::HostContext().call("setWindowMinisize", CallArguments({CallArgument::string("Velmora")})),
            CallResult::boolean(true));
  EXPECT_TRUE(e2e::eventually([&] { return e2e::isMinimised(x.connection(), *main); }));
}

}  // namespace
}  // namespace lumetra
