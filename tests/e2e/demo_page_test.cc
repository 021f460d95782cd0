#include <gtest/gtest.h>
#include <unistd.h>

#include "e2e/support/processes.h"
#include "e2e/support/shell.h"
#include "e2e/support/x_windows.h"

namespace lumetra::e2e {
namespace {

const std::filesystem::path kSourceWww = std::filesystem::path(LUMETRA_SOURCE_DIR) / "www";

// The demo till on a desktop: it must load and run its script cleanly
// against the real functions, and show full-screen once the splash is gone.
// The screenshot is kept for CI as an artifact.
void runDemo(const std::string& startPage) {
  XServer x;
  ShellHome home;
  Shell shell(x, home, {.startPage = startPage});
  ASSERT_TRUE(home.waitForConsole("demo ready")) << home.consoleText() << shell.errors();
  std::optional<Window> main;
  ASSERT_TRUE(eventually([&] {
    main = findWindow(x.connection(), "Velmora");
    return main && isMaximised(x.connection(), *main);
  }));
  EXPECT_EQ(home.consoleText().find("Error"), std::string::npos) << home.consoleText();

  std::filesystem::create_directories(LUMETRA_ARTIFACT_DIR);
  SpawnOptions screenshot;
  screenshot.arguments = {"import", "-window", "root", std::string(LUMETRA_ARTIFACT_DIR) + "/demo-page.png"};
  screenshot.environment = {{"DISPLAY", x.display()}};
  EXPECT_EQ(waitForExit(spawn(screenshot)), 0);
}

TEST(DemoPageTest, RunsCleanlyFullScreenOnTheTestStartPage) {
  runDemo("file://" + (kSourceWww / "index.html").string());
}

// The real executable on its fixed start page, as a shop runs it. Needs
// root to install the page; an installation that is not this demo is left
// alone.
TEST(DemoPageTest, RunsFromTheFixedStartPageInstalledUnderVandrel) {
  if (::geteuid() != 0) GTEST_SKIP() << "installing under /Vandrel needs root";
  const std::filesystem::path installed = "/Vandrel/assets/www";
  const bool present = std::filesystem::exists(installed);
  if (present && readText(installed / "app.js") != readText(kSourceWww / "app.js")) {
    GTEST_SKIP() << installed << " holds another web application";
  }
  if (!present) {
    std::filesystem::create_directories(installed.parent_path());
    std::filesystem::copy(kSourceWww, installed, std::filesystem::copy_options::recursive);
  }
  runDemo("");
  if (!present) std::filesystem::remove_all("/Vandrel");
}

}  // namespace
}  // namespace lumetra::e2e
