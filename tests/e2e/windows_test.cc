#include <gtest/gtest.h>

#include "e2e/support/processes.h"
#include "e2e/support/shell.h"
#include "e2e/support/x_windows.h"

namespace lumetra::e2e {
namespace {

TEST(MainWindowTest, StartsMinimisedThenTheSplashMaximisesTheWindowTitledVelmora) {
  XServer x;
  ShellHome home;
  Shell shell(x, home, {.startPage = pageUrl("velmora.html")});
  Display* display = x.connection();
  std::optional<Window> splash;
  ASSERT_TRUE(eventually([&] { return (splash = findWindow(display, "Splash Screen")).has_value(); }))
      << shell.errors();
  EXPECT_EQ(windowClass(display, *splash), "lumetra-splash.SplashWindowClass");
  const Geometry splashArea = clientGeometry(display, *splash);
  EXPECT_EQ(splashArea, (Geometry{0, 0, 1366, 768}));

  std::optional<Window> main;
  ASSERT_TRUE(eventually([&] { return (main = findWindow(display, "Velmora")).has_value(); }));
  EXPECT_EQ(windowClass(display, *main), "lumetra.LUMETRA");
  ASSERT_TRUE(eventually([&] { return isMaximised(display, *main); }));
  EXPECT_FALSE(findWindow(display, "Splash Screen"));
  EXPECT_EQ(clientGeometry(display, *main), (Geometry{0, 0, x.width(), x.height()}));
  const FrameExtents frame = frameExtents(display, *main);
  EXPECT_EQ(frame.left + frame.right + frame.top + frame.bottom, 0) << "the main window is borderless";
}

TEST(MainWindowTest, WithTheMultiThreadedSwitchThereIsNoSplashAndTheWindowStaysMinimised) {
  XServer x;
  ShellHome home;
  Shell shell(x, home, {.startPage = pageUrl("velmora.html"), .switches = {"--multi-threaded-message-loop"}});
  ASSERT_TRUE(home.waitForConsole("velmora loaded")) << shell.errors();
  Display* display = x.connection();
  std::optional<Window> main;
  ASSERT_TRUE(eventually([&] { return (main = findWindow(display, "Velmora")).has_value(); }));
  EXPECT_TRUE(isMinimised(display, *main));
  EXPECT_FALSE(findWindow(display, "Splash Screen"));
}

// The customer display lies just right of the primary screen, where a second
// monitor would be.
TEST(PopupTest, CustomerDisplayIsBorderlessRightOfThePrimaryScreenAndOwnedByTheMainWindow) {
  XServer x({.secondMonitor = true});
  ShellHome home;
  Shell shell(x, home, {.startPage = pageUrl("popups.html")});
  Display* display = x.connection();
  std::optional<Window> customer, plain, main;
  ASSERT_TRUE(eventually([&] { return (customer = findWindow(display, "Customer screen")).has_value(); }))
      << shell.errors();
  ASSERT_TRUE(eventually([&] { return (plain = findWindow(display, "Plain popup")).has_value(); }));
  ASSERT_TRUE(eventually([&] { return (main = findWindow(display, "Velmora")).has_value(); }));

  EXPECT_EQ(clientGeometry(display, *customer), (Geometry{1366, 0, 1366, 768}));
  const FrameExtents none = frameExtents(display, *customer);
  EXPECT_EQ(none.left + none.right + none.top + none.bottom, 0);
  EXPECT_EQ(transientFor(display, *customer), *main);

  const FrameExtents frame = frameExtents(display, *plain);
  EXPECT_GT(frame.top, 0) << "an ordinary popup has the window manager's frame";
  const Geometry area = clientGeometry(display, *plain);
  EXPECT_EQ(area.x - frame.left, 0);
  EXPECT_EQ(area.y - frame.top, 0);
  EXPECT_EQ(transientFor(display, *plain), 0u);
}

}  // namespace
}  // namespace lumetra::e2e
