#include <signal.h>

#include <gtest/gtest.h>

#include <regex>

#include "e2e/support/processes.h"
#include "e2e/support/shell.h"
#include "e2e/support/x_windows.h"
#include "support/fake_network_printer.h"

namespace lumetra::e2e {
namespace {

constexpr char kPrinter[] = "127.0.31.1";
constexpr char kNoticeTitle[] = "打印提醒";

// What the notice says now, as the shell traces it ("" while hidden).
std::optional<std::string> noticeText(const Shell& shell) {
  constexpr std::string_view kTrace = "lumetra: printer notice [";
  const std::string errors = shell.errors();
  const auto start = errors.rfind(kTrace);
  if (start == std::string::npos) return std::nullopt;
  const auto text = start + kTrace.size();
  return errors.substr(text, errors.find("]\n", text) - text);
}

void typeOnKeyboard(const XServer& x, const std::string& text) {
  SpawnOptions options;
  options.arguments = {"xdotool", "type", "--delay", "50", text};
  options.environment = {{"DISPLAY", x.display()}};
  ASSERT_EQ(waitForExit(spawn(options)), 0);
}

// The page hands three tickets to a printer that is switched off, and the
// cashier goes on typing; the web process is then killed, and its
// successor takes the tickets over while the reloaded page hands over three
// more; the printer is switched on and prints all six in order.
TEST(PrinterNoticeTest, WaitingTicketsShowANoticeBesideTheTillUntilTheyPrint) {
  XServer x;
  ShellHome home;
  test::FakeNetworkPrinter printer(kPrinter);
  printer.switchOff();
  Shell shell(x, home, {.startPage = pageUrl("printer_notice.html") + "?printer=" + kPrinter});
  Display* display = x.connection();
  const auto waiting = [](int tickets) {
    return std::regex("\\|打印机 127\\.0\\.31\\.1：" + std::to_string(tickets) +
                      " 张单据等待打印（[0-9]{2}:[0-9]{2} 起）[^|]+$");
  };
  const auto noticeSays = [&](const std::regex& pattern) {
    return eventually([&] { return std::regex_search(noticeText(shell).value_or(""), pattern); });
  };

  ASSERT_TRUE(home.waitForConsole("tickets handed over")) << home.consoleText() << shell.errors();
  std::optional<Window> notice;
  ASSERT_TRUE(eventually([&] { return (notice = findWindow(display, kNoticeTitle)).has_value(); }))
      << shell.errors();
  ASSERT_TRUE(noticeSays(waiting(3))) << noticeText(shell).value_or("no notice");
  EXPECT_TRUE(hasState(display, *notice, "_NET_WM_STATE_ABOVE"));
  // In the bottom-right corner, clear of the till's centre.
  EXPECT_TRUE(eventually([&] {
    const Geometry area = clientGeometry(display, *notice);
    return area.x + area.width == x.width() - 16 && area.y + area.height == x.height() - 16;
  })) << clientGeometry(display, *notice).x << "," << clientGeometry(display, *notice).y;
  EXPECT_GT(clientGeometry(display, *notice).x, x.width() / 2);

  typeOnKeyboard(x, "42");
  EXPECT_TRUE(home.waitForConsole("typed 42")) << home.consoleText();
  EXPECT_EQ(home.consoleText().find("till lost the keyboard"), std::string::npos);

  const auto webProcesses = childProcesses(shell.pid(), "WebKitWebProces");
  ASSERT_EQ(webProcesses.size(), 1u);
  constexpr char kHidden[] = "lumetra: printer notice []";
  const std::size_t hiddenBefore = occurrences(shell.errors(), kHidden);
  ASSERT_EQ(::kill(webProcesses.front(), SIGKILL), 0);
  // Gone with its process, then back from the successor.
  EXPECT_TRUE(eventually([&] { return occurrences(shell.errors(), kHidden) > hiddenBefore; }));
  EXPECT_TRUE(noticeSays(waiting(6))) << noticeText(shell).value_or("no notice");
  EXPECT_TRUE(findWindow(display, kNoticeTitle));

  printer.switchOn();
  EXPECT_TRUE(noticeSays(std::regex("^$"))) << noticeText(shell).value_or("no notice");
  EXPECT_TRUE(eventually([&] { return !findWindow(display, kNoticeTitle); }));
  EXPECT_TRUE(eventually([&] { return occurrences(printer.received(), "notice ticket") >= 6; }));
  std::string tickets;
  const std::regex ticket("notice ticket ([0-9])");
  const std::string printed = printer.received();
  for (std::sregex_iterator at(printed.begin(), printed.end(), ticket), end; at != end; ++at) tickets += (*at)[1];
  EXPECT_EQ(tickets, "123123");
}

}  // namespace
}  // namespace lumetra::e2e
