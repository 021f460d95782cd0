// A till as a vendor sets it up: settings files, a start page that is not
// there, a careless install.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "e2e/support/processes.h"
#include "e2e/support/shell.h"
#include "e2e/support/x_windows.h"

namespace lumetra::e2e {
namespace {

void writeUserSettings(const ShellHome& home, const std::string& text) {
  std::filesystem::create_directories(home.directory() / "config" / "lumetra");
  std::ofstream(home.directory() / "config" / "lumetra" / "lumetra.conf") << text;
}

// Whatever the page's title, and with no page at all, the till ends up on
// screen: an error page in the maximised main window, and a line on stderr.
TEST(ShopSetupTest, AStartPageThatCannotBeLoadedShowsAnErrorInTheMaximisedWindow) {
  XServer x;
  ShellHome home;
  const std::string missing = "file://" + (home.directory() / "no-such-page.html").string();
  writeUserSettings(home, "[shell]\nstart_page=" + missing + "\n");
  Shell shell(x, home, {.startPage = ""});
  std::optional<Window> main;
  ASSERT_TRUE(eventually([&] {
    main = findWindowOfClass(x.connection(), "lumetra.LUMETRA");
    return main && isMaximised(x.connection(), *main);
  })) << shell.errors();
  EXPECT_FALSE(isMinimised(x.connection(), *main));
  EXPECT_NE(shell.errors().find("lumetra: cannot load " + missing + ": "), std::string::npos) << shell.errors();
}

// What a till writes is its user's alone, whatever the umask (here none at
// all), and what an earlier version left open to others is closed at
// start-up: the console log, the outbox's journal, the browser's storage
// folder and its cookie store.
TEST(ShopSetupTest, TheTillsFilesAndFoldersAreItsUsersAlone) {
  XServer x({.windowManager = false});
  ShellHome home;
  std::ofstream(home.consoleLog()) << "Message: from an earlier version\r\n";
  std::filesystem::permissions(home.consoleLog(), std::filesystem::perms(0644));
  std::filesystem::create_directory(home.directory() / "cache");
  std::filesystem::permissions(home.directory() / "cache", std::filesystem::perms(0755));
  const mode_t umask = ::umask(0);
  Shell shell(x, home, {.startPage = pageUrl("velmora.html")});
  ::umask(umask);
  ASSERT_TRUE(home.waitForConsole("velmora loaded")) << shell.errors();
  const std::filesystem::path journal = home.directory() / "outbox.journal";
  ASSERT_TRUE(eventually([&] { return std::filesystem::exists(journal); }));

  using std::filesystem::perms;
  const perms file = perms::owner_read | perms::owner_write;
  EXPECT_EQ(std::filesystem::status(home.consoleLog()).permissions(), file);
  EXPECT_EQ(std::filesystem::status(journal).permissions(), file);
  EXPECT_EQ(std::filesystem::status(home.directory() / "cache").permissions(), perms::owner_all);
  EXPECT_EQ(std::filesystem::status(home.directory() / "cache" / "cookies.sqlite").permissions(), file);
}

// A lumetra copied without its web extension, started in the settings'
// working folder, which has no printer models: both named on stderr and,
// once, to the staff.
TEST(ShopSetupTest, AMissingWebExtensionAndMissingModelsAreNamedOnStderrAndOnceToTheStaff) {
  XServer x({.windowManager = false});
  ShellHome home;
  const std::filesystem::path shop = home.directory() / "shop";
  std::filesystem::create_directory(shop);
  writeUserSettings(home, "[shell]\nworking_folder=" + shop.string() + "\n");
  const std::filesystem::path bin = home.directory() / "bin";
  std::filesystem::create_directory(bin);
  std::filesystem::copy_file(LUMETRA_EXECUTABLE_PATH, bin / "lumetra");
  Shell shell(x, home,
              {.startPage = pageUrl("velmora.html"),
               .switches = {"--multi-threaded-message-loop"},
               .executable = bin / "lumetra"});
  // Without the extension no console message reaches the log: the box is
  // what there is to wait for.
  ASSERT_TRUE(eventually([&] { return !readText(home.dialogLog()).empty(); })) << shell.errors();
  const std::string errors = shell.errors();
  EXPECT_NE(errors.find("lumetra: the web extension liblumetra-renderer.so is in none of " + bin.string() + ", " +
                        (home.directory() / "lib" / "lumetra").string() + ": pages get no window functions"),
            std::string::npos)
      << errors;
  EXPECT_NE(errors.find("lumetra: " + (shop / "dev").string() + " is missing: printers get no commands\n"),
            std::string::npos)
      << errors;
  EXPECT_EQ(readText(home.dialogLog()),
            "提示\t找不到网页扩展 liblumetra-renderer.so，打印等本机功能都不能使用！\\n"
            "打印机型号设置有误，小票可能打印不正确：\\n" +
                (shop / "dev").string() + " is missing: printers get no commands\\n\n");
}

}  // namespace
}  // namespace lumetra::e2e
