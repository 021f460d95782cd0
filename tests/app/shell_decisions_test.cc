#include <gtest/gtest.h>

#include <ctime>
#include <map>
#include <optional>
#include <set>

#include "app/console_log.h"
#include "app/error_page.h"
#include "app/notice/printer_notice.h"
#include "app/notice/printer_trouble_text.h"
#include "app/popup_placement.h"
#include "app/security/certificate_judge.h"
#include "app/shell_config.h"
#include "app/shell_settings.h"
#include "app/splash_size.h"
#include "app/startup_checks.h"
#include "base/log.h"
#include "support/temp_dir.h"

namespace lumetra::shell {
namespace {

TEST(ConsoleLogTest, RecordsAppendToTheFileChosenByTheFirstMessageWhereverTheDirectoryGoes) {
  test::TempDir startup, elsewhere;
  std::optional<test::ScopedWorkingDirectory> cwd(std::in_place, startup.path());
  ConsoleLog log(".", {});
  log.append("first 你好", "file:///a.html", 3);
  cwd.emplace(elsewhere.path());
  log.append("", "", 0);
  EXPECT_EQ(test::readFile(startup.path() / "console.log"),
            "Message: first 你好\r\nSource: file:///a.html\r\nLine: 3\r\n-----------------------\r\n"
            "Message: \r\nSource: \r\nLine: 0\r\n-----------------------\r\n");
  EXPECT_FALSE(std::filesystem::exists(elsewhere.path() / "console.log"));
}

// A till runs for months: the log moves to console.log.1 .. .N by size,
// whole records only, the oldest dropped.
TEST(ConsoleLogTest, RotatesBySizeKeepingTheConfiguredNumberOfWholeFiles) {
  test::TempDir dir;
  const std::string record = consoleRecord("m", "s", 1);  // 58 bytes
  ConsoleLog log(dir.path(), {.maxBytes = 2 * record.size() + 1, .keptFiles = 2});
  for (int i = 0; i < 7; ++i) log.append("m", "s", 1);
  const auto file = [&](const char* name) { return test::readFile(dir.path() / name); };
  EXPECT_EQ(file("console.log"), record);
  EXPECT_EQ(file("console.log.1"), record + record);
  EXPECT_EQ(file("console.log.2"), record + record);
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "console.log.3"));

  // A record larger than the limit still goes in, alone.
  test::TempDir other;
  ConsoleLog small(other.path(), {.maxBytes = 10, .keptFiles = 0});
  small.append("m", "s", 1);
  small.append("m", "s", 1);
  EXPECT_EQ(test::readFile(other.path() / "console.log"), record);
  EXPECT_FALSE(std::filesystem::exists(other.path() / "console.log.1"));
}

// One record keeps at most 64 KiB of its message and of its source, cut
// before a character, never through it, with what was left out counted.
TEST(ConsoleLogTest, ALongMessageOrSourceIsCutAt64KiBWithAMarker) {
  const std::string whole(64 << 10, 'a');
  EXPECT_EQ(consoleRecord(whole, "s", 1),
            "Message: " + whole + "\r\nSource: s\r\nLine: 1\r\n-----------------------\r\n");
  EXPECT_EQ(consoleRecord(whole + "bc", "s", 1),
            "Message: " + whole + "…[cut: 2 bytes]\r\nSource: s\r\nLine: 1\r\n" + "-----------------------\r\n");
  std::string chinese = "ab";
  while (chinese.size() < (64 << 10) + 10) chinese += "价";  // 3 bytes each: the limit falls inside one
  const std::size_t kept = 2 + ((64 << 10) - 2) / 3 * 3;
  EXPECT_EQ(consoleRecord("m", chinese, 2), "Message: m\r\nSource: " + chinese.substr(0, kept) +
                                                "…[cut: " + std::to_string(chinese.size() - kept) +
                                                " bytes]\r\nLine: 2\r\n" + "-----------------------\r\n");
}

TEST(ConsoleLogTest, AnUnwritableLogIsSkipped) {
  test::TempDir dir;
  ConsoleLog log(dir.path() / "missing", {.maxBytes = 1, .keptFiles = 1});
  log.append("lost", "", 1);
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "missing"));
}

TEST(ErrorPageTest, NamesUrlTextAndCodeWithEverythingFromThePageEscaped) {
  const auto page = errorPageFor(
      {LoadFailure::Kind::other, 303, "Error <b>\"x\" & 'y'", "http://h/?q=</h2><script>alert(1)</script>", ""});
  ASSERT_TRUE(page);
  EXPECT_EQ(*page,
            "<html><body bgcolor=\"white\"><h2>Failed to load URL "
            "http://h/?q=&lt;/h2&gt;&lt;script&gt;alert(1)&lt;/script&gt; with error "
            "Error &lt;b&gt;&quot;x&quot; &amp; &#39;y&#39; (303).</h2></body></html>");
}

TEST(ErrorPageTest, ARefusedCertificateNamesTheHostAndBothFingerprintsWithEverythingEscaped) {
  CertificateRefusal refusal{"https://h/?q=<b>", "h<i>", "AA:01", {"BB:02", "CC:03"}, "listed & <kept>"};
  EXPECT_EQ(certificateRefusedPage(refusal),
            "<html><head><meta charset=\"utf-8\"><title>证书不符</title></head><body bgcolor=\"white\">\n"
            "<h2>证书不符，页面未打开。请联系维护人员。</h2>\n"
            "<p>The certificate of h&lt;i&gt; was refused: it is not the one this till expects.</p>\n"
            "<p>Expected SHA-256: BB:02, CC:03 (listed &amp; &lt;kept&gt;)</p>\n"
            "<p>Presented SHA-256: AA:01</p>\n"
            "<p>Address: https://h/?q=&lt;b&gt;</p>\n</body></html>");
  refusal.expected.clear();
  refusal.basis = "none: not listed";
  EXPECT_EQ(describeExpectedCertificate(refusal), "none: not listed");
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
  EXPECT_EQ((std::array{customer.x, customer.y, customer.width, customer.height}), (std::array{1366, 0, 1366, 768}));
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

// The system file, the user's file over it key by key, the development
// variable over both; defaults where nothing is set or a number is garbled.
TEST(ShellConfigTest, UserFileOverridesTheSystemFileKeyByKey) {
  test::TempDir dir;
  test::ScopedEnv home("HOME", "/home/till");
  test::ScopedEnv unset(kStartPageVariable, "");
  const auto system =
      dir.write("etc/lumetra.conf", "[Shell]\nstart_page = https://pos.example/till?a=1&b=" + std::string(80, 'x') +
                                        "\nwindow_title=\"收银台\"\n[console_log]\nmax_kilobytes=2\nkept_files=1000\n"
                                        "[security]\ncertificates = Verify\n[pinned_certificates]\npos.example = " +
                                        std::string(64, 'a') + "\nkitchen.local = xyz\n" +
                                        "[delivery]\nhold_after_minutes=90\n[backup]\nbackup_after_seconds = 30\n"
                                        "192.168.1.20 = 192.168.1.21\nKitchen = Bar\n");
  const auto user = dir.write("user/lumetra.conf",
                              "[shell]\nworking_folder=~/till\nWINDOW_TITLE=Front\n"
                              "[console_log]\nmax_kilobytes=12k\n[monitoring]\ntextfile = "
                              "~/metrics/lumetra.prom\n[pinned_certificates]\nPOS.example = " +
                                  std::string(64, 'b') + "\nkitchen.local=" + std::string(64, 'c') +
                                  "\n[backup]\nKitchen = Office\n");
  std::vector<std::string> warnings;
  ScopedLogCapture capture([&](LogLevel, std::string_view line) { warnings.emplace_back(line); });
  const ShellConfig none = readShellConfig({dir.path() / "absent.conf"});
  EXPECT_EQ(none.startPage, "file:///Vandrel/assets/www/index.html");
  EXPECT_EQ(none.workingFolder, "");
  EXPECT_EQ(none.windowTitle, "Velmora");
  EXPECT_EQ(none.consoleLogMaxBytes, 10u * 1024 * 1024);
  EXPECT_EQ(none.consoleLogKeptFiles, 5u);
  EXPECT_EQ(none.certificates, CertificateSettings{});
  EXPECT_EQ(none.metricsTextfile, "") << "off unless set";
  EXPECT_EQ(none.delivery.holdAfterMinutes, 60u);
  EXPECT_TRUE(none.delivery.backups.empty());

  const ShellConfig both = readShellConfig({system, user});
  EXPECT_EQ(both.startPage, "https://pos.example/till?a=1&b=" + std::string(80, 'x'));
  EXPECT_EQ(both.workingFolder, "/home/till/till");
  EXPECT_EQ(both.metricsTextfile, "/home/till/metrics/lumetra.prom");
  EXPECT_EQ(both.windowTitle, "Front");
  EXPECT_EQ(both.consoleLogMaxBytes, 10u * 1024 * 1024) << "12k is no number: the default, not the system's 2";
  EXPECT_EQ(both.consoleLogKeptFiles, 100u) << "bounded";
  EXPECT_EQ(both.delivery.holdAfterMinutes, 90u);
  EXPECT_EQ(both.delivery.backups, (std::vector<std::pair<std::string, std::string>>{{"192.168.1.20", "192.168.1.21"},
                                                                                     {"Kitchen", "Office"}}));
  const auto fingerprint = [](const std::string& pair) {
    std::string text = pair;
    for (int i = 1; i < 32; ++i) text += ":" + pair;
    return text;
  };
  EXPECT_EQ(both.certificates,
            (CertificateSettings{CertificateMode::verify,
                                 {{"kitchen.local", {fingerprint("CC")}}, {"pos.example", {fingerprint("BB")}}}}));
  EXPECT_EQ(warnings.back(), system.string() +
                                 ": [pinned_certificates] \"kitchen.local = xyz\" is not \"host = "
                                 "SHA-256 fingerprint\"; skipped");
  EXPECT_EQ(readShellConfig({system}).certificates.listed, (CertificatePins{{"pos.example", {fingerprint("AA")}}}));
  // A garbled mode still checks certificates.
  const auto garbled = dir.write("garbled.conf", "[security]\ncertificates=accept_any\n");
  EXPECT_EQ(readShellConfig({system, garbled}).certificates.mode, CertificateMode::pinFirstUse);
  EXPECT_EQ(warnings.end()[-2], garbled.string() +
                                    ": [security] certificates = \"accept_any\" is none of "
                                    "pin-first-use, verify, accept-any; using pin-first-use");
  EXPECT_EQ(readShellConfig({system}).windowTitle, "收银台");
  EXPECT_EQ(readShellConfig({system}).consoleLogMaxBytes, 2048u);

  test::ScopedEnv set(kStartPageVariable, "file:///tmp/t.html");
  EXPECT_EQ(readShellConfig({system, user}).startPage, "file:///tmp/t.html");
}

// The start page vouches for its own origin however it was set; a list in
// the settings replaces that, and what cannot be read in it is named
// without taking the functions from the start page.
TEST(ShellConfigTest, TrustedOriginsAreTheListedOnesElseTheStartPagesOwn) {
  test::TempDir dir;
  test::ScopedEnv unset(kStartPageVariable, "");
  std::vector<std::string> lines;
  ScopedLogCapture capture([&](LogLevel, std::string_view line) { lines.emplace_back(line); });
  EXPECT_EQ(readShellConfig({dir.path() / "absent.conf"}).trustedOrigins.toList(), "file:///Vandrel/assets/www/");
  const auto system = dir.write("system.conf", "[shell]\nstart_page = https://pos.example.com/till\n");
  EXPECT_EQ(readShellConfig({system}).trustedOrigins.toList(), "https://pos.example.com");
  {
    test::ScopedEnv set(kStartPageVariable, "http://127.0.0.1:8080/dev.html");
    EXPECT_EQ(readShellConfig({system}).trustedOrigins.toList(), "http://127.0.0.1:8080");
  }
  EXPECT_TRUE(lines.empty());

  const auto listed = dir.write("listed.conf", "[SECURITY]\nTrusted_Origins = https://pay.example.com, /opt/pos www\n");
  EXPECT_EQ(readShellConfig({system, listed}).trustedOrigins.toList(), "https://pay.example.com file:///opt/pos/");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], listed.string() +
                          ": [security] trusted_origins: \"www\" is neither an origin (https://host[:port]) nor a "
                          "folder (/path or file:///path/); left out");

  lines.clear();
  const auto garbled = dir.write("garbled.conf", "[security]\ntrusted_origins = pos.example.com\n");
  EXPECT_EQ(readShellConfig({system, garbled}).trustedOrigins.toList(), "https://pos.example.com");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], garbled.string() +
                          ": [security] trusted_origins lists nothing usable; the start page's origin "
                          "is trusted");

  lines.clear();
  const auto blank = dir.write("blank.conf", "[shell]\nstart_page = about:blank\n");
  EXPECT_TRUE(readShellConfig({blank}).trustedOrigins.empty());
  EXPECT_EQ(lines, std::vector<std::string>{"the start page about:blank has no origin to trust: no page gets window "
                                            "functions"});
}

TEST(SplashSizeTest, APictureLargerThanTheScreenShrinksToFitKeepingItsProportions) {
  struct Case {
    PictureSize picture, screen, shown;
  };
  const Case cases[] = {
      {{1366, 768}, {1920, 1080}, {1366, 768}},                                           // fits: unchanged
      {{1366, 768}, {1366, 768}, {1366, 768}},  {{1366, 768}, {1024, 600}, {1024, 575}},  // width decides
      {{1366, 768}, {1366, 700}, {1245, 700}},                                            // height decides
      {{1366, 768}, {600, 1024}, {600, 337}},                                             // portrait screen
      {{4000, 10}, {100, 100}, {100, 1}},                                                 // never thinner than a pixel
  };
  for (const Case& c : cases) {
    EXPECT_EQ(fitInside(c.picture, c.screen), c.shown) << c.screen.width << "x" << c.screen.height;
  }
}

// What start-up names on stderr, and what it tells the staff.
TEST(StartupChecksTest, NamesAMissingExtensionAnUnwritableFolderAndModelFileFaults) {
  test::TempDir dir;
  const auto bin = dir.path() / "usr" / "bin";
  std::filesystem::create_directories(bin);
  EXPECT_EQ(extensionFolders(bin), (std::vector<std::filesystem::path>{bin, dir.path() / "usr" / "lib" / "lumetra"}));
  EXPECT_FALSE(findExtensionFolder(bin));
  dir.write("usr/lib/lumetra/liblumetra-renderer.so", "");
  EXPECT_EQ(findExtensionFolder(bin), dir.path() / "usr" / "lib" / "lumetra");
  dir.write("usr/bin/liblumetra-renderer.so", "");
  EXPECT_EQ(findExtensionFolder(bin), bin) << "the build tree's own first";

  const auto shop = dir.path() / "shop";
  dir.write("shop/dev/normal.ini", "[cut]\ncmd=29,86,0\n");
  const StartupReport missing = checkStartup(std::nullopt, {bin, dir.path() / "lib"}, shop);
  ASSERT_GE(missing.errorLines.size(), 2u);
  EXPECT_EQ(missing.errorLines[0], "the web extension liblumetra-renderer.so is in none of " + bin.string() + ", " +
                                       (dir.path() / "lib").string() +
                                       ": pages get no window functions (no printing, no customer display)");
  EXPECT_EQ(missing.errorLines[1], (shop / "dev" / "normal.ini").string() + ": [roll] cmd is missing");
  EXPECT_TRUE(
      missing.staffText.starts_with("找不到网页扩展 liblumetra-renderer.so，打印等本机功能都不能使用！\n"
                                    "打印机型号设置有误，小票可能打印不正确：\n" +
                                    (shop / "dev" / "normal.ini").string() + ": [roll] cmd is missing\n"))
      << missing.staffText;
  EXPECT_TRUE(missing.staffText.ends_with("……共 10 处\n")) << missing.staffText;

  const StartupReport gone = checkStartup(bin, {}, dir.path() / "gone");
  EXPECT_EQ(gone.errorLines, (std::vector<std::string>{
                                 "the working folder " + (dir.path() / "gone").string() +
                                     " cannot be written (No such file or directory): console.log and the "
                                     "pages' storage in cache/ are lost",
                                 (dir.path() / "gone" / "dev").string() + " is missing: printers get no commands"}));

  std::filesystem::create_directory(dir.path() / "good");
  std::filesystem::copy(std::filesystem::path(LUMETRA_SOURCE_DIR) / "dev", dir.path() / "good" / "dev");
  const StartupReport good = checkStartup(bin, {}, dir.path() / "good");
  EXPECT_TRUE(good.errorLines.empty());
  EXPECT_EQ(good.staffText, "");
}

// The shop's clock: China Standard Time, 2024-03-05 12:30.
class PrinterNoticeTest : public ::testing::Test {
 protected:
  PrinterNoticeTest() { tzset(); }
  ~PrinterNoticeTest() override { tzset(); }
  test::ScopedEnv zone_{"TZ", "CST-8"};
  static constexpr std::int64_t kNow = 1709613000;

  // What the notice says of printers with nothing held, none moved and no
  // step open: the words the staff have always read.
  static std::string printerNoticeText(const std::vector<PrinterBacklog>& backlogs, std::int64_t now) {
    std::vector<NoticePrinter> printers;
    for (const PrinterBacklog& backlog : backlogs) printers.push_back({3, backlog, 0, false});
    return noticeRowsText(printerNoticeRows(printers, {}, {}, std::nullopt, now));
  }
};

TEST_F(PrinterNoticeTest, APrinterPerLineWithItsCountSinceWhenAndWhy) {
  EXPECT_EQ(printerNoticeText({}, kNow), "");
  EXPECT_EQ(printerNoticeText({{"192.168.1.20", 3, 1709611380, Trouble::unanswered},
                               {"Kitchen", 1, 1709567880, Trouble::queueRefused},
                               {"Bar", 12, 1704038280, Trouble::none},
                               {"127.0.0.2", 2, 0, Trouble::unanswered},
                               {"Office", 1, 0, Trouble::none}},
                              kNow),
            "以下打印机有单据等待打印，恢复后自动补打：\n"
            "打印机 192.168.1.20：3 张单据等待打印（12:03 起）无法连接\n"
            "打印机 Kitchen：1 张单据等待打印（3月4日 23:58 起）打印队列拒绝接收\n"
            "打印机 Bar：12 张单据等待打印（2023年12月31日 23:58 起）\n"
            "打印机 127.0.0.2：2 张单据等待打印，无法连接\n"
            "打印机 Office：1 张单据等待打印");
  // Conditions a printer reports with nothing waiting: no word of waiting tickets.
  EXPECT_EQ(printerNoticeText({{"192.168.1.21", 0, 0, Trouble::paperNearEnd}}, kNow),
            "打印机提示：\n打印机 192.168.1.21：打印纸将用尽，请准备换纸");
  EXPECT_EQ(printerNoticeText({{"192.168.1.20", 1, 0, Trouble::paperEnd}, {"Bar", 0, 0, Trouble::queuePaused}}, kNow),
            "以下打印机有单据等待打印，恢复后自动补打：\n"
            "打印机 192.168.1.20：1 张单据等待打印，打印机缺纸，请装纸\n"
            "打印机 Bar：打印队列已暂停");
}

TEST_F(PrinterNoticeTest, PageChosenNamesStayOnOneShortLineAndPrintersBeyondTheLimitAreCounted) {
  std::vector<PrinterBacklog> backlogs;
  backlogs.push_back({"厨房\n打印机\t2", 1, 0, Trouble::none});
  std::string chinese;
  for (int i = 0; i < 41; ++i) chinese += "厨";
  backlogs.push_back({chinese, 1, 0, Trouble::none});
  for (int i = 0; i < 6; ++i) backlogs.push_back({"P" + std::to_string(i), 1, 0, Trouble::none});
  const std::string text = printerNoticeText(backlogs, kNow);
  EXPECT_EQ(text.substr(text.find('\n') + 1),
            "打印机 厨房 打印机 2：1 张单据等待打印\n"
            "打印机 " +
                chinese.substr(0, 40 * 3) +
                "…：1 张单据等待打印\n"
                "打印机 P0：1 张单据等待打印\n打印机 P1：1 张单据等待打印\n打印机 P2：1 张单据等待打印\n"
                "打印机 P3：1 张单据等待打印\n"
                "另有 2 台打印机有单据等待打印");
}

// The buttons beside each line, as "label>action" (a step opened: "label+",
// closed: "label-"), and what the line and the steps opened say.
std::string buttonsText(const std::vector<NoticeRow>& rows) {
  std::string text;
  for (const NoticeRow& row : rows) {
    text += row.text;
    for (const NoticeButton& button : row.buttons) {
      text += " [" + button.label;
      if (button.step == NoticeStep::send) text += std::string(">") + printerActionWord(button.action);
      if (button.step == NoticeStep::cancel) text += "-";
      if (button.step != NoticeStep::send && button.step != NoticeStep::cancel) text += "+";
      if (!button.target.name.empty()) text += ":" + std::to_string(button.target.kind) + button.target.name;
      text += "]";
    }
    text += "\n";
  }
  return text;
}

TEST_F(PrinterNoticeTest, EachPrinterOffersWhatItsTicketsAllowAndAStepOpensBelowIt) {
  const NoticePrinter grill{3, {"10.0.0.5", 3, 1709611380, Trouble::unanswered}, 0, false};
  const NoticePrinter bar{2, {"Bar", 5, 1709611380, Trouble::none}, 2, false};
  const NoticePrinter oldOnly{3, {"10.0.0.6", 4, 0, Trouble::none}, 4, false};
  const NoticePrinter paper{3, {"10.0.0.7", 0, 0, Trouble::paperNearEnd}, 0, false};
  const NoticePrinter moved{3, {"10.0.0.5", 2, 1709611380, Trouble::none}, 0, true};
  const std::vector<PrinterRef> targets = {{3, "10.0.0.5"}, {2, "Bar"}, {3, "10.0.0.9"}};
  const NoticeSettings settings{45, {{"10.0.0.5", "10.0.0.9"}}};
  const PrinterRef grillRef{3, "10.0.0.5"};
  const struct {
    const char* situation;
    std::vector<NoticePrinter> printers;
    std::vector<PrinterRef> targets;
    std::optional<OpenStep> open;
    const char* expected;
  } kCases[] = {
      {"waiting: try, move to any printer but itself, discard",
       {grill},
       targets,
       std::nullopt,
       "以下打印机有单据等待打印，恢复后自动补打：\n"
       "打印机 10.0.0.5：3 张单据等待打印（12:03 起）无法连接 [重试>retry] [改到…+] [作废+]\n"},
      {"nowhere to move them to",
       {grill},
       {grillRef},
       std::nullopt,
       "以下打印机有单据等待打印，恢复后自动补打：\n"
       "打印机 10.0.0.5：3 张单据等待打印（12:03 起）无法连接 [重试>retry] [作废+]\n"},
      {"old tickets: a line of their own with the minutes set",
       {bar},
       targets,
       std::nullopt,
       "以下打印机有单据等待打印，恢复后自动补打：\n"
       "打印机 Bar：5 张单据等待打印（12:03 起） [重试>retry] [改到…+] [作废+]\n"
       "2 张单据已超过 45 分钟 [打印>print-old] [作废+]\n"},
      {"only old tickets: nothing goes out by itself",
       {oldOnly, paper},
       targets,
       std::nullopt,
       "以下打印机有单据等待处理：\n"
       "打印机 10.0.0.6：4 张单据等待打印\n"
       "4 张单据已超过 45 分钟 [打印>print-old] [作废+]\n"
       "打印机 10.0.0.7：打印纸将用尽，请准备换纸\n"},
      {"moved to the backup the settings name",
       {moved},
       targets,
       std::nullopt,
       "以下打印机有单据等待打印，恢复后自动补打：\n"
       "打印机 10.0.0.5：2 张单据等待打印（12:03 起）已改到 10.0.0.9 [重试>retry] [改到…+] [作废+]\n"},
      {"choosing a target: the others, each a button",
       {grill, bar},
       targets,
       OpenStep{NoticeStep::chooseTarget, grillRef},
       "以下打印机有单据等待打印，恢复后自动补打：\n"
       "打印机 10.0.0.5：3 张单据等待打印（12:03 起）无法连接 [重试>retry] [改到…+] [作废+]\n"
       "改到： [Bar>redirect:2Bar] [10.0.0.9>redirect:310.0.0.9] [取消-]\n"
       "打印机 Bar：5 张单据等待打印（12:03 起） [重试>retry] [改到…+] [作废+]\n"
       "2 张单据已超过 45 分钟 [打印>print-old] [作废+]\n"},
      {"discarding asks first, naming how many",
       {grill, bar},
       targets,
       OpenStep{NoticeStep::confirmDiscard, grillRef},
       "以下打印机有单据等待打印，恢复后自动补打：\n"
       "打印机 10.0.0.5：3 张单据等待打印（12:03 起）无法连接 [重试>retry] [改到…+] [作废+]\n"
       "确认作废 打印机 10.0.0.5 的 3 张单据？ [确认>discard] [取消-]\n"
       "打印机 Bar：5 张单据等待打印（12:03 起） [重试>retry] [改到…+] [作废+]\n"
       "2 张单据已超过 45 分钟 [打印>print-old] [作废+]\n"},
      {"discarding old tickets names the old ones only",
       {bar},
       targets,
       OpenStep{NoticeStep::confirmDiscardOld, {2, "Bar"}},
       "以下打印机有单据等待打印，恢复后自动补打：\n"
       "打印机 Bar：5 张单据等待打印（12:03 起） [重试>retry] [改到…+] [作废+]\n"
       "2 张单据已超过 45 分钟 [打印>print-old] [作废+]\n"
       "确认作废 打印机 Bar 的 2 张单据？ [确认>discard-old] [取消-]\n"},
      {"a step on a printer of the same name but another kind stays closed",
       {bar},
       targets,
       OpenStep{NoticeStep::confirmDiscard, {3, "Bar"}},
       "以下打印机有单据等待打印，恢复后自动补打：\n"
       "打印机 Bar：5 张单据等待打印（12:03 起） [重试>retry] [改到…+] [作废+]\n"
       "2 张单据已超过 45 分钟 [打印>print-old] [作废+]\n"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.situation);
    EXPECT_EQ(buttonsText(printerNoticeRows(c.printers, c.targets, settings, c.open, kNow)), c.expected);
  }
  // Every button acts on the printer of its line, kind and name.
  const std::vector<NoticeRow> rows = printerNoticeRows({grill, bar}, targets, settings, std::nullopt, kNow);
  ASSERT_EQ(rows.size(), 4u);
  const PrinterRef owners[] = {{}, grillRef, {2, "Bar"}, {2, "Bar"}};
  for (std::size_t row = 1; row < rows.size(); ++row) {
    for (const NoticeButton& button : rows[row].buttons) EXPECT_EQ(button.printer, owners[row]) << rows[row].text;
  }
  // A backup the settings do not name still reads as one.
  EXPECT_NE(noticeRowsText(printerNoticeRows({moved}, {}, {}, std::nullopt, kNow)).find("已改到 备用打印机"),
            std::string::npos);
}

TEST_F(PrinterNoticeTest, AnOpenStepClosesOnceItsPrinterHasNothingLeftForIt) {
  const PrinterRef grill{3, "10.0.0.5"};
  const struct {
    NoticeStep step;
    std::size_t waiting;
    std::size_t held;
    bool open;
  } kCases[] = {
      {NoticeStep::confirmDiscard, 3, 0, true},    {NoticeStep::confirmDiscard, 3, 3, false},
      {NoticeStep::confirmDiscard, 0, 0, false},   {NoticeStep::chooseTarget, 2, 1, true},
      {NoticeStep::confirmDiscardOld, 2, 1, true}, {NoticeStep::confirmDiscardOld, 2, 0, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::to_string(c.waiting) + " waiting, " + std::to_string(c.held) + " held");
    const std::vector<NoticePrinter> printers = {{3, {"10.0.0.5", c.waiting, 0, Trouble::none}, c.held, false}};
    EXPECT_EQ(stepStillOpen({c.step, grill}, printers), c.open);
  }
  EXPECT_FALSE(stepStillOpen({NoticeStep::confirmDiscard, grill}, {}));
  EXPECT_FALSE(
      stepStillOpen({NoticeStep::confirmDiscard, {2, "10.0.0.5"}}, {{3, {"10.0.0.5", 3, 0, Trouble::none}, 0, false}}));
}

// The web process names each trouble by a code word that never changes;
// the staff read the same words for it as ever.
TEST(PrinterTroubleTextTest, EachTroublesCodeWordGivesTheStaffTheirWords) {
  const std::pair<const char*, const char*> kWords[] = {
      {"unanswered", "无法连接"},
      {"refused", "打印机拒绝连接"},
      {"stalled", "打印机停止接收数据"},
      {"interrupted", "打印中断，将重新打印"},
      {"queue-missing", "找不到打印队列"},
      {"queue-refused", "打印队列拒绝接收"},
      {"queue-failed", "打印队列出错"},
      {"printer-full", "等待的小票已满，新小票未能接收"},
      {"outbox-full", "所有打印机等待的小票已满，新小票未能接收"},
      {"unknown-printer-full", "从未打印成功的打印机等待的小票已满，新小票未能接收"},
      {"paper-end", "打印机缺纸，请装纸"},
      {"cover-open", "打印机上盖打开，请合上"},
      {"paper-jam", "打印机卡纸"},
      {"printer-error", "打印机故障"},
      {"printer-offline", "打印机离线"},
      {"queue-paused", "打印队列已暂停"},
      {"paper-near-end", "打印纸将用尽，请准备换纸"},
  };
  std::set<Trouble> named;
  for (const auto& [code, words] : kWords) {
    SCOPED_TRACE(code);
    const std::optional<Trouble> trouble = troubleOfCode(code);
    ASSERT_TRUE(trouble);
    EXPECT_EQ(troubleCode(*trouble), code);
    EXPECT_EQ(troubleText(*trouble), words);
    named.insert(*trouble);
  }
  // Every trouble but none has a code of its own.
  EXPECT_EQ(named.size(), static_cast<std::size_t>(Trouble::paperNearEnd));
  EXPECT_EQ(troubleCode(Trouble::none), "");
  EXPECT_EQ(troubleText(Trouble::none), "");
  EXPECT_FALSE(troubleOfCode(""));
  EXPECT_FALSE(troubleOfCode("paper-out"));
}

TEST(PrinterNoticePlacementTest, BottomRightOfTheWorkAreaAndNeverOverItsCentre) {
  EXPECT_EQ(placePrinterNotice({0, 0, 1366, 740}, 420, 90), (ScreenArea{930, 634, 420, 90}));
  const ScreenArea areas[] = {{0, 0, 1366, 740}, {1366, 28, 1920, 1052}, {0, 0, 800, 600}, {10, 10, 40, 30}};
  const std::pair<int, int> sizes[] = {{420, 90}, {5000, 90}, {300, 5000}, {0, 0}};
  for (const ScreenArea& area : areas) {
    for (const auto& [width, height] : sizes) {
      SCOPED_TRACE(std::to_string(area.width) + "x" + std::to_string(area.height) + " " + std::to_string(width));
      const ScreenArea notice = placePrinterNotice(area, width, height);
      EXPECT_GT(notice.width, 0);
      EXPECT_GT(notice.height, 0);
      EXPECT_GE(notice.x, area.x);
      EXPECT_GE(notice.y, area.y);
      EXPECT_EQ(area.x + area.width - (notice.x + notice.width), area.y + area.height - (notice.y + notice.height));
      EXPECT_GT(notice.x, area.x + area.width / 2);
      EXPECT_GT(notice.y, area.y + area.height / 2);
      if (width > 0 && width <= area.width / 3 && height > 0 && height <= area.height / 3) {
        EXPECT_EQ((std::array{notice.width, notice.height}), (std::array{width, height}));
      }
    }
  }
}

}  // namespace
}  // namespace lumetra::shell
