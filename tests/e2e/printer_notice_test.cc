#include <gtest/gtest.h>
#include <X11/Xutil.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <regex>
#include <set>
#include <thread>

#include "e2e/support/processes.h"
#include "e2e/support/shell.h"
#include "e2e/support/x_windows.h"
#include "support/fake_network_printer.h"
#include "support/virtual_printer_control.h"

namespace lumetra::e2e {
namespace {

constexpr char kPrinter[] = "127.0.31.1";
constexpr char kStatusPrinter[] = "127.0.31.2";
// Each test a printer of its own: ctest runs them side by side.
constexpr char kStatesPrinter[] = "127.0.31.3";
constexpr char kPressedPrinter[] = "127.0.31.4";
constexpr char kClosedPrinter[] = "127.0.31.5";
constexpr char kNoticeTitle[] = "打印提醒";
constexpr char kHidden[] = "lumetra: printer notice []";

// What the notice says now, as the shell traces it ("" while hidden).
std::optional<std::string> noticeText(const Shell& shell) {
  constexpr std::string_view kTrace = "lumetra: printer notice [";
  const std::string errors = shell.errors();
  const auto start = errors.rfind(kTrace);
  if (start == std::string::npos) return std::nullopt;
  const auto text = start + kTrace.size();
  return errors.substr(text, errors.find("]\n", text) - text);
}

// The notice's line for `printer` with `tickets` waiting since a time of
// day, for `reason`, as the last line of the notice.
std::regex waitingLine(std::string printer, int tickets, const std::string& reason = "[^|]+") {
  printer = std::regex_replace(printer, std::regex("\\."), "\\.");
  return std::regex("\\|打印机 " + printer + "：" + std::to_string(tickets) +
                    " 张单据等待打印（[0-9]{2}:[0-9]{2} 起）" + reason + "$");
}

// The numbers of the "notice ticket N" lines in `text`, in order.
std::string ticketNumbers(const std::string& text) {
  std::string numbers;
  const std::regex ticket("notice ticket ([0-9])");
  for (std::sregex_iterator at(text.begin(), text.end(), ticket), end; at != end; ++at) numbers += (*at)[1];
  return numbers;
}

// The tickets the virtual printer has put on paper, one transcript per
// piece, in the order it printed them.
std::string printedTickets(const std::filesystem::path& folder) {
  std::set<std::filesystem::path> transcripts;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with("receipt-") && name.ends_with(".txt")) transcripts.insert(entry.path());
  }
  std::string printed;
  for (const auto& transcript : transcripts) printed += readText(transcript);
  return ticketNumbers(printed);
}

std::chrono::milliseconds::rep millisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

// Where the notice last traced its button `label` (the `nth` of that
// label, from 0), in the window's coordinates.
std::optional<std::pair<int, int>> buttonPlace(const Shell& shell, const std::string& label, int nth = 0) {
  constexpr std::string_view kTrace = "lumetra: printer notice buttons [";
  const std::string errors = shell.errors();
  const auto start = errors.rfind(kTrace);
  if (start == std::string::npos) return std::nullopt;
  const std::string buttons =
      "|" + errors.substr(start + kTrace.size(), errors.find("]\n", start) - start - kTrace.size());
  const std::regex place("\\|" + label + "@([0-9]+),([0-9]+)");
  for (std::sregex_iterator at(buttons.begin(), buttons.end(), place), end; at != end; ++at) {
    if (nth-- == 0) return std::pair{std::stoi((*at)[1]), std::stoi((*at)[2])};
  }
  return std::nullopt;
}

void runXdotool(const XServer& x, std::vector<std::string> arguments) {
  SpawnOptions options;
  options.arguments = std::move(arguments);
  options.arguments.insert(options.arguments.begin(), "xdotool");
  options.environment = {{"DISPLAY", x.display()}};
  ASSERT_EQ(waitForExit(spawn(options)), 0);
}

// Clicks the notice's button `label` once it is shown and the notice has
// settled in its corner after growing or shrinking with its lines.
void pressButton(const XServer& x, const Shell& shell, Window notice, const std::string& label) {
  std::optional<std::pair<int, int>> place;
  ASSERT_TRUE(eventually([&] { return (place = buttonPlace(shell, label)).has_value(); })) << shell.errors();
  Geometry area;
  ASSERT_TRUE(eventually([&] {
    area = clientGeometry(x.connection(), notice);
    return area.x + area.width == x.width() - 16 && area.y + area.height == x.height() - 16;
  }));
  runXdotool(x, {"mousemove", "--sync", std::to_string(area.x + place->first), std::to_string(area.y + place->second),
                 "click", "1"});
}

void typeOnKeyboard(const XServer& x, const std::string& text) { runXdotool(x, {"type", "--delay", "50", text}); }

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
  const auto waiting = [](int tickets) { return waitingLine(kPrinter, tickets); };
  const auto noticeSays = [&](const std::regex& pattern) {
    return eventually([&] { return std::regex_search(noticeText(shell).value_or(""), pattern); });
  };

  ASSERT_TRUE(home.waitForConsole("tickets handed over")) << home.consoleText() << shell.errors();
  std::optional<Window> notice;
  ASSERT_TRUE(eventually([&] { return (notice = findWindow(display, kNoticeTitle)).has_value(); })) << shell.errors();
  ASSERT_TRUE(noticeSays(waiting(3))) << noticeText(shell).value_or("no notice");
  EXPECT_TRUE(hasState(display, *notice, "_NET_WM_STATE_ABOVE"));
  // In the bottom-right corner, clear of the till's centre.
  EXPECT_TRUE(eventually([&] {
    const Geometry area = clientGeometry(display, *notice);
    return area.x + area.width == x.width() - 16 && area.y + area.height == x.height() - 16;
  })) << clientGeometry(display, *notice).x
      << "," << clientGeometry(display, *notice).y;
  EXPECT_GT(clientGeometry(display, *notice).x, x.width() / 2);

  typeOnKeyboard(x, "42");
  EXPECT_TRUE(home.waitForConsole("typed 42")) << home.consoleText();
  EXPECT_EQ(home.consoleText().find("till lost the keyboard"), std::string::npos);

  const auto webProcesses = childProcesses(shell.pid(), "WebKitWebProces");
  ASSERT_EQ(webProcesses.size(), 1u);
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
  EXPECT_EQ(ticketNumbers(printer.received()), "123123");
}

// A printer that says what is wrong: the page hands three tickets to a
// printer whose paper is out; they wait, none printed, with the reason in
// the notice, and print once the paper is in. The reloaded page hands three
// more with the paper out again, and the cover is opened, the printer
// switched off and on, the cover closed while they are held: they print
// once the paper is in, and none twice, since the printer never had any.
TEST(PrinterNoticeTest, APrinterReportingAFaultHoldsItsTicketsWithTheReasonUntilItRecovers) {
  XServer x;
  ShellHome home;
  test::TempDir receipts;
  test::ControlledPrinter printer(kStatusPrinter, receipts);
  ASSERT_NE(printer.control("paper-out").find(" paper=out "), std::string::npos);
  Shell shell(x, home, {.startPage = pageUrl("printer_notice.html") + "?printer=" + kStatusPrinter});
  const auto noticeSays = [&](const std::regex& pattern) {
    return eventually([&] { return std::regex_search(noticeText(shell).value_or(""), pattern); });
  };
  const auto handedOver = [&](std::size_t rounds) {
    return eventually([&] { return occurrences(home.consoleText(), "tickets handed over") >= rounds; });
  };

  ASSERT_TRUE(handedOver(1)) << home.consoleText() << shell.errors();
  auto fault = std::chrono::steady_clock::now();
  ASSERT_TRUE(noticeSays(waitingLine(kStatusPrinter, 3, "打印机缺纸，请装纸")))
      << noticeText(shell).value_or("no notice") << shell.errors();
  std::cout << "fault paper-out: notice after " << millisecondsSince(fault)
            << " ms (from the hand-over seen in console.log)" << std::endl;
  EXPECT_TRUE(eventually([&] { return findWindow(x.connection(), kNoticeTitle).has_value(); }));
  // A few more status rounds while the paper is out: still nothing sent
  // ahead to the printer, nothing printed.
  std::this_thread::sleep_for(std::chrono::seconds(2));
  EXPECT_NE(printer.control("status").find(" held=0"), std::string::npos) << printer.control("status");
  EXPECT_EQ(printedTickets(receipts.path()), "");

  const std::size_t hiddenBefore = occurrences(shell.errors(), kHidden);
  auto recovery = std::chrono::steady_clock::now();
  ASSERT_NE(printer.control("paper-in").find(" paper=ok "), std::string::npos);
  EXPECT_TRUE(eventually([&] { return occurrences(shell.errors(), kHidden) > hiddenBefore; }))
      << noticeText(shell).value_or("no notice");
  EXPECT_TRUE(eventually([&] { return printedTickets(receipts.path()).size() >= 3; }));
  std::cout << "paper-in: three tickets printed after " << millisecondsSince(recovery) << " ms" << std::endl;
  EXPECT_EQ(printedTickets(receipts.path()), "123");

  // The reloaded page hands three more while the paper is out again; the
  // faults come while they are held, each shown in its turn.
  ASSERT_NE(printer.control("paper-out").find(" paper=out "), std::string::npos);
  const auto webProcesses = childProcesses(shell.pid(), "WebKitWebProces");
  ASSERT_EQ(webProcesses.size(), 1u);
  ASSERT_EQ(::kill(webProcesses.front(), SIGKILL), 0);
  ASSERT_TRUE(handedOver(2)) << home.consoleText() << shell.errors();
  ASSERT_TRUE(noticeSays(waitingLine(kStatusPrinter, 3, "打印机缺纸，请装纸")))
      << noticeText(shell).value_or("no notice") << shell.errors();
  fault = std::chrono::steady_clock::now();
  ASSERT_NE(printer.control("cover-open").find(" cover=open "), std::string::npos);
  EXPECT_TRUE(noticeSays(waitingLine(kStatusPrinter, 3, "打印机上盖打开，请合上")))
      << noticeText(shell).value_or("no notice") << shell.errors();
  std::cout << "fault cover-open: notice after " << millisecondsSince(fault) << " ms (tickets held)" << std::endl;
  fault = std::chrono::steady_clock::now();
  ASSERT_NE(printer.control("power-off").find("power=off"), std::string::npos);
  EXPECT_TRUE(noticeSays(waitingLine(kStatusPrinter, 3, "(?!打印机上盖打开，请合上)[^|]+")))
      << noticeText(shell).value_or("no notice");
  std::cout << "fault power-off: notice after " << millisecondsSince(fault) << " ms: " << noticeText(shell).value_or("")
            << std::endl;
  recovery = std::chrono::steady_clock::now();
  ASSERT_NE(printer.control("power-on").find(" cover=open "), std::string::npos);
  EXPECT_TRUE(noticeSays(waitingLine(kStatusPrinter, 3, "打印机上盖打开，请合上")))
      << noticeText(shell).value_or("no notice") << shell.errors();
  std::cout << "power-on: cover reported after " << millisecondsSince(recovery) << " ms" << std::endl;
  ASSERT_NE(printer.control("cover-close").find(" cover=closed "), std::string::npos);
  EXPECT_TRUE(noticeSays(waitingLine(kStatusPrinter, 3, "打印机缺纸，请装纸")))
      << noticeText(shell).value_or("no notice") << shell.errors();
  EXPECT_EQ(printedTickets(receipts.path()), "123");
  recovery = std::chrono::steady_clock::now();
  ASSERT_NE(printer.control("paper-in").find(" paper=ok "), std::string::npos);
  EXPECT_TRUE(noticeSays(std::regex("^$"))) << shell.errors();
  EXPECT_TRUE(eventually([&] { return printedTickets(receipts.path()).size() >= 6; }));
  std::cout << "paper-in again: three tickets printed after " << millisecondsSince(recovery) << " ms" << std::endl;
  EXPECT_EQ(printedTickets(receipts.path()), "123123");
  EXPECT_TRUE(eventually([&] { return !findWindow(x.connection(), kNoticeTitle); }));
}

// What promtool says of the metrics textfile: "" when it is sound.
std::string promtoolCheck(const ShellHome& home, const std::filesystem::path& file) {
  const std::filesystem::path said = home.directory() / "promtool.out";
  SpawnOptions options;
  options.arguments = {"sh", "-c", "exec promtool check metrics < \"$0\"", file.string()};
  options.outputFile = said;
  options.errorFile = said;
  const std::optional<int> status = waitForExit(spawn(options));
  return status == 0 ? readText(said) : "exit " + std::to_string(status.value_or(-2)) + ": " + readText(said);
}

// The page and the chain are told the same as the staff: a ticket waits for
// a printer whose paper is out, then prints once the paper is in. Each
// change reaches the page's window and its frame as an event, the function
// says the same at that moment, and the metrics textfile follows.
TEST(PrinterNoticeTest, ThePageAndTheMetricsTextfileAreToldEachPrintersState) {
  XServer x;
  ShellHome home;
  const std::filesystem::path metrics = home.directory() / "textfile" / "lumetra.prom";
  std::filesystem::create_directories(metrics.parent_path());
  {
    std::ofstream config(home.directory() / "etc-lumetra.conf");
    config << "[monitoring]\ntextfile = " << metrics.string() << "\n";
  }
  test::TempDir receipts;
  test::ControlledPrinter printer(kStatesPrinter, receipts);
  ASSERT_NE(printer.control("paper-out").find(" paper=out "), std::string::npos);
  Shell shell(x, home, {.startPage = pageUrl("printer_states.html") + "?printer=" + kStatesPrinter});
  const std::string labels = std::string("{printer=\"") + kStatesPrinter + "\",kind=\"network\"}";
  const auto metricsSay = [&](const std::string& sample) {
    return eventually([&] { return readText(metrics).find("\n" + sample + "\n") != std::string::npos; });
  };
  const auto pageTold = [&](const std::string& state) {
    return home.waitForConsole("printers event [" + std::string(kStatesPrinter) + " network " + state +
                               "] function same");
  };

  ASSERT_TRUE(home.waitForConsole("printers at load []")) << home.consoleText() << shell.errors();
  ASSERT_TRUE(home.waitForConsole("ticket handed over")) << home.consoleText();
  EXPECT_TRUE(pageTold("waiting=1 oldest=past reason=paper-end condition=paper-near-end delivered=0 failed=0"))
      << home.consoleText();
  EXPECT_TRUE(home.waitForConsole("frame told 1")) << home.consoleText();
  EXPECT_TRUE(metricsSay("lumetra_tickets_waiting" + labels + " 1")) << readText(metrics) << shell.errors();
  EXPECT_TRUE(metricsSay("lumetra_printer_reason{printer=\"" + std::string(kStatesPrinter) +
                         "\",kind=\"network\",reason=\"paper-end\"} 1"))
      << readText(metrics);
  EXPECT_NE(readText(metrics).find("lumetra_build_info{version="), std::string::npos);
  EXPECT_EQ(promtoolCheck(home, metrics), "") << readText(metrics);
  EXPECT_EQ(std::filesystem::status(metrics).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                std::filesystem::perms::group_read | std::filesystem::perms::others_read);

  ASSERT_NE(printer.control("paper-in").find(" paper=ok "), std::string::npos);
  EXPECT_TRUE(pageTold("waiting=0 oldest=0 reason= condition= delivered=1 failed=0")) << home.consoleText();
  EXPECT_TRUE(metricsSay("lumetra_tickets_delivered_total" + labels + " 1")) << readText(metrics);
  EXPECT_TRUE(metricsSay("lumetra_tickets_waiting" + labels + " 0")) << readText(metrics);
  EXPECT_EQ(promtoolCheck(home, metrics), "") << readText(metrics);
  EXPECT_FALSE(std::filesystem::exists(metrics.string() + ".new"));
}

// The staff press the notice's buttons with the mouse while the cashier
// types: a retry, then a discard that first asks in the notice itself,
// naming how many, and goes only on 确认. Each press is said on stderr
// and goes to the till's page; the notice never takes the keyboard, so
// what the cashier types after the presses still reaches the page.
TEST(PrinterNoticeTest, TheStaffPressTheNoticesButtonsAndTheTillKeepsTheKeyboard) {
  XServer x;
  ShellHome home;
  test::FakeNetworkPrinter printer(kPressedPrinter);
  printer.switchOff();
  Shell shell(x, home, {.startPage = pageUrl("printer_notice.html") + "?printer=" + kPressedPrinter});
  Display* display = x.connection();
  const auto noticeSays = [&](const std::regex& pattern) {
    return eventually([&] { return std::regex_search(noticeText(shell).value_or(""), pattern); });
  };
  std::optional<Window> notice;
  const auto press = [&](const std::string& label) { pressButton(x, shell, *notice, label); };

  ASSERT_TRUE(home.waitForConsole("tickets handed over")) << home.consoleText() << shell.errors();
  ASSERT_TRUE(eventually([&] { return (notice = findWindow(display, kNoticeTitle)).has_value(); })) << shell.errors();
  ASSERT_TRUE(noticeSays(waitingLine(kPressedPrinter, 3))) << noticeText(shell).value_or("no notice");
  // The window manager is told never to give it the keyboard.
  XWMHints* hints = XGetWMHints(display, *notice);
  ASSERT_TRUE(hints);
  EXPECT_TRUE((hints->flags & InputHint) && !hints->input);
  XFree(hints);

  press("重试");
  EXPECT_TRUE(eventually([&] {
    return shell.errors().find(std::string("lumetra: staff asked to try ") + kPressedPrinter + " now") !=
           std::string::npos;
  })) << shell.errors();

  // No printer but itself to move them to: no 改到….
  EXPECT_FALSE(buttonPlace(shell, "改到…"));
  press("作废");
  ASSERT_TRUE(noticeSays(std::regex(std::string("\\|确认作废 打印机 ") + kPressedPrinter + " 的 3 张单据？$")))
      << noticeText(shell).value_or("no notice");
  EXPECT_EQ(shell.errors().find("staff discarded"), std::string::npos) << "not before 确认";
  press("取消");
  ASSERT_TRUE(noticeSays(waitingLine(kPressedPrinter, 3))) << noticeText(shell).value_or("no notice");
  ASSERT_TRUE(eventually([&] { return !buttonPlace(shell, "确认"); })) << shell.errors();
  press("作废");
  ASSERT_TRUE(noticeSays(std::regex("确认作废"))) << noticeText(shell).value_or("no notice");
  press("确认");
  EXPECT_TRUE(eventually([&] {
    return shell.errors().find(std::string("lumetra: staff discarded 3 tickets for ") + kPressedPrinter) !=
           std::string::npos;
  })) << shell.errors();
  EXPECT_EQ(occurrences(shell.errors(), "lumetra: staff "), 2u) << "one line per action: " << shell.errors();
  // Discarded: nothing waits, though the printer is still off.
  EXPECT_TRUE(noticeSays(std::regex("^$"))) << noticeText(shell).value_or("no notice");

  typeOnKeyboard(x, "42");
  EXPECT_TRUE(home.waitForConsole("typed 42")) << home.consoleText();
  EXPECT_EQ(home.consoleText().find("till lost the keyboard"), std::string::npos);
}

// Tickets of a printer switched off at closing time are not printed by
// themselves after a restart once older than the hold time: the notice
// shows them as old, they stay while the printer is back, and print when
// the staff press 打印.
TEST(PrinterNoticeTest, OldTicketsWaitAfterARestartUntilTheStaffPrintThem) {
  XServer x;
  ShellHome home;
  test::FakeNetworkPrinter printer(kClosedPrinter);
  printer.switchOff();
  std::filesystem::create_directories(home.directory() / "config" / "lumetra");
  std::ofstream(home.directory() / "config" / "lumetra" / "lumetra.conf") << "[delivery]\nhold_after_minutes = 1\n";
  std::optional<Shell> shell(
      std::in_place, x, home,
      Shell::Options{.startPage = pageUrl("printer_notice.html") + "?printer=" + kClosedPrinter});
  ASSERT_TRUE(home.waitForConsole("tickets handed over")) << home.consoleText() << shell->errors();
  const auto handedOver = std::chrono::steady_clock::now();
  ASSERT_TRUE(eventually([&] {
    return std::regex_search(noticeText(*shell).value_or(""), waitingLine(kClosedPrinter, 3));
  })) << shell->errors();
  shell.reset();

  // Closed for the night, here a little over the minute set.
  std::this_thread::sleep_until(handedOver + std::chrono::seconds(65));
  shell.emplace(x, home, Shell::Options{.startPage = pageUrl("printer_notice.html")});
  const auto noticeSays = [&](const std::regex& pattern) {
    return eventually([&] { return std::regex_search(noticeText(*shell).value_or(""), pattern); });
  };
  ASSERT_TRUE(noticeSays(std::regex("\\|3 张单据已超过 1 分钟$"))) << noticeText(*shell).value_or("no notice");
  printer.switchOn();
  std::optional<Window> notice;
  ASSERT_TRUE(eventually([&] { return (notice = findWindow(x.connection(), kNoticeTitle)).has_value(); }));
  ASSERT_TRUE(eventually([&] { return buttonPlace(*shell, "打印").has_value(); })) << shell->errors();
  EXPECT_EQ(occurrences(printer.received(), "notice ticket"), 0u) << "held while the printer is back";
  pressButton(x, *shell, *notice, "打印");
  EXPECT_TRUE(eventually([&] { return occurrences(printer.received(), "notice ticket") >= 3; })) << shell->errors();
  EXPECT_EQ(ticketNumbers(printer.received()), "123");
  EXPECT_TRUE(noticeSays(std::regex("^$"))) << noticeText(*shell).value_or("no notice");
}

}  // namespace
}  // namespace lumetra::e2e
