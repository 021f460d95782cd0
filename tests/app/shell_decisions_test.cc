#include <gtest/gtest.h>

#include "app/console_log.h"
#include "app/error_page.h"
#include "app/popup_placement.h"
#include "app/shell_settings.h"
#include "support/temp_dir.h"

namespace lumetra::shell {
namespace {

TEST(ConsoleLogTest, RecordsAppendToTheFileChosenByTheFirstMessageWhereverTheDirectoryGoes) {
  test::TempDir startup, elsewhere;
  std::optional<test::ScopedWorkingDirectory> cwd(std::in_place, startup.path());
  ConsoleLog log(".");
  log.append("first 你好", "file:///a.html", 3);
  cwd.emplace(elsewhere.path());
  log.append("", "", 0);
  EXPECT_EQ(test::readFile(startup.path() / "console.log"),
            "Message: first 你好\r\nSource: file:///a.html\r\nLine: 3\r\n-----------------------\r\n"
            "Message: \r\nSource: \r\nLine: 0\r\n-----------------------\r\n");
  EXPECT_FALSE(std::filesystem::exists(elsewhere.path() / "console.log"));
}

TEST(ConsoleLogTest, AnUnwritableLogIsSkippedSilently) {
  test::TempDir dir;
  ConsoleLog log(dir.path() / "missing");
  log.append("lost", "", 1);
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "missing"));
}

TEST(ErrorPageTest, NamesUrlTextAndCodeWithEverythingFromThePageEscaped) {
  const auto page = errorPageFor({LoadFailure::Kind::other, 303, "Error <b>\"x\" & 'y'",
                                  "http://h/?q=</h2><script>alert(1)</script>", ""});
  ASSERT_TRUE(page);
  EXPECT_EQ(*page,
            "<html><body bgcolor=\"white\"><h2>Failed to load URL "
            "http://h/?q=&lt;/h2&gt;&lt;script&gt;alert(1)&lt;/script&gt; with error "
            "Error &lt;b&gt;&quot;x&quot; &amp; &#39;y&#39; (303).</h2></body></html>");
}

TEST(ErrorPageTest, AbortedLoadsAndUnknownSpotifyLinksShowNothing) {
  EXPECT_FALSE(errorPageFor({LoadFailure::Kind::aborted, 302, "cancelled", "http://h/file.zip", ""}));
  EXPECT_FALSE(errorPageFor({LoadFailure::Kind::unknownScheme, 301, "?", "spotify:track:1", "spotify:track:1"}));
  // Only the spotify case is spared: another unknown scheme shows the page.
  EXPECT_TRUE(errorPageFor({LoadFailure::Kind::unknownScheme, 301, "?", "foo:bar", "file:///a.html"}));
  EXPECT_TRUE(errorPageFor({LoadFailure::Kind::other, 2, "?", "spotify:x", "spotify:x"}));
}

TEST(PopupPlacementTest, CustomerDisplayGoesRightOfThePrimaryScreenOthersOverIt) {
  const ScreenSize screen{1366, 768};
  const PopupPlacement customer = placePopup("顾客显示", screen);
  EXPECT_EQ((std::array{customer.x, customer.y, customer.width, customer.height}),
            (std::array{1366, 0, 1366, 768}));
  EXPECT_FALSE(customer.framed);
  EXPECT_TRUE(customer.ownedByOpener);

  for (std::string_view other : {"", "顾客", "顾客显示 ", "menu"}) {
    const PopupPlacement popup = placePopup(other, screen);
    EXPECT_EQ((std::array{popup.x, popup.y, popup.width, popup.height}), (std::array{0, 0, 1366, 768})) << other;
    EXPECT_TRUE(popup.framed);
    EXPECT_FALSE(popup.ownedByOpener);
  }
}

TEST(ShellSettingsTest, SwitchesAreReadInEitherFormUntilABareDoubleDash) {
  const char* argv[] = {"lumetra", "-mouse-cursor-change-disabled", "--multi-threaded-message-loop=1", "--",
                        "--unknown"};
  const ShellSwitches both = readSwitches(5, argv);
  EXPECT_TRUE(both.multiThreadedMessageLoop);
  EXPECT_TRUE(both.mouseCursorChangeDisabled);

  const char* after[] = {"lumetra", "--", "--multi-threaded-message-loop", "multi-threaded-message-loop",
                         "--multi-threaded-message-loops"};
  EXPECT_FALSE(readSwitches(5, after).multiThreadedMessageLoop);
  const char* prefixed[] = {"lumetra", "--multi-threaded-message-loops"};
  EXPECT_FALSE(readSwitches(2, prefixed).multiThreadedMessageLoop);
}

TEST(ShellSettingsTest, StartPageIsFixedUnlessTheTestVariableNamesAnother) {
  {
    test::ScopedEnv unset(kStartPageVariable, "");
    EXPECT_EQ(startPage(), "file:///Vandrel/assets/www/index.html");
  }
  test::ScopedEnv set(kStartPageVariable, "file:///tmp/t.html");
  EXPECT_EQ(startPage(), "file:///tmp/t.html");
}

}  // namespace
}  // namespace lumetra::shell
