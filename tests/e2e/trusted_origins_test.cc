// Only the shop's own pages reach the till: pages of other origins inside
// and around the till's page, as adverts and payment pages would be.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <regex>

#include "e2e/support/http_server.h"
#include "e2e/support/processes.h"
#include "e2e/support/shell.h"
#include "support/fake_network_printer.h"

namespace lumetra::e2e {
namespace {

constexpr char kPrinter[] = "127.0.33.1";

// Shared by every page: what a document sees, and a word to the till's page
// that it has reported.
constexpr const char* kReport = R"(<script>
function report(label) {
  console.log(label + ': ' + typeof window.printTask + ',' + typeof window.cefQuery);
}
function reported() { top.postMessage('reported', '*'); }
</script>)";

// The till's page: frames of every kind, the customer display, a location
// request; once every context has reported, it goes to another origin.
constexpr const char* kTill = R"(<!doctype html><html><head><meta charset="utf-8"><title>Velmora</title>
{report}</head><body><script>
report('main');
const blank = document.createElement('iframe');
document.body.appendChild(blank);
console.log('blank frame of the till: ' + typeof blank.contentWindow.printTask);
startIPPrintTask('{printer}', 0);
printTextByNet(0, 'from the till\n');
endIPPrintTask();
let waiting = 8;
addEventListener('message', () => { if (--waiting === 0) location.href = '{ad}/elsewhere.html'; });
navigator.geolocation.getCurrentPosition(() => located('allowed'), (error) => located(error.code === 1 ? 'denied' : 'allowed'));
function located(answer) { console.log('till location: ' + answer); reported(); }
window.open('/customer.html', '顾客显示');
</script>
<iframe src="/same.html"></iframe>
<iframe src="{ad}/advert.html"></iframe>
<iframe sandbox="allow-scripts" src="/sandboxed.html"></iframe>
<iframe src="data:text/html,{report}<script>report('data frame'); parent.postMessage('reported', '*');</script>"></iframe>
<iframe srcdoc="{report}<script>report('srcdoc frame'); reported();</script>"></iframe>
</body></html>)";

// The advert tries every way it has to the till's functions and the
// printer, sets a cookie, and opens a popup without being asked.
constexpr const char* kAdvert = R"(<!doctype html><html><head><meta charset="utf-8">{report}</head><body><script>
report('cross-origin frame');
const attempts = [
  () => { startIPPrintTask('{printer}', 1); printTextByNet(1, 'advert\n'); },
  () => { parent.startIPPrintTask('{printer}', 1); parent.printTextByNet(1, 'advert\n'); },
  () => { top.frames[0].startIPPrintTask('{printer}', 1); top.frames[0].printTextByNet(1, 'advert\n'); },
  () => { parent.cefQuery({request: 'advert'}); },
];
console.log('advert attempts: ' + attempts.map((attempt) => {
  try { attempt(); return 'done'; } catch (error) { return error.name; }
}).join(','));
const blank = document.createElement('iframe');
document.body.appendChild(blank);
console.log('blank frame of the advert: ' + typeof blank.contentWindow.printTask);
document.cookie = 'advert=1';
console.log('advert cookie: [' + document.cookie + ']');
window.open('/popup.html', 'advert');
reported();
</script></body></html>)";

constexpr const char* kAdvertPopup = R"(<!doctype html><html><head><meta charset="utf-8">{report}</head><body><script>
report('popup of the advert');
navigator.geolocation.getCurrentPosition(() => located('allowed'), (error) => located(error.code === 1 ? 'denied' : 'allowed'));
function located(answer) { console.log('advert location: ' + answer); opener.top.postMessage('reported', '*'); }
</script></body></html>)";

std::string page(std::string text, const std::map<std::string, std::string>& values) {
  for (const auto& [name, value] : values) {
    for (std::size_t at; (at = text.find("{" + name + "}")) != std::string::npos;) {
      text.replace(at, name.size() + 2, value);
    }
  }
  return text;
}

std::string reporting(const std::string& label) {
  return std::string("<!doctype html><html><head><meta charset=\"utf-8\">") + kReport +
         "</head><body><script>report('" + label + "'); reported();</script></body></html>";
}

std::string customerDisplay() {
  return std::string("<!doctype html><html><head><meta charset=\"utf-8\">") + kReport +
         "</head><body><script>report('customer display'); opener.postMessage('reported', '*');</script></body></html>";
}

// What the page reported for `label`, from the console log.
std::string reportOf(const std::string& log, const std::string& label) {
  const auto start = log.find(label + ": ");
  if (start == std::string::npos) return "(no report)";
  const auto text = start + label.size() + 2;
  return log.substr(text, log.find("\r\n", text) - text);
}

// One run serves the whole group: starting the shell is the slow part. The
// till is on 127.0.0.1, the advert on 127.0.0.2.
TEST(TrustedOriginsTest, OnlyContextsOfTrustedOriginsGetTheFunctions) {
  test::FakeNetworkPrinter printer(kPrinter);
  std::map<std::string, std::string> values = {{"report", kReport}, {"printer", kPrinter}};
  HttpServer ad({{"/advert.html", page(kAdvert, values)},
                 {"/popup.html", page(kAdvertPopup, values)},
                 {"/elsewhere.html", reporting("main frame elsewhere")}},
                "127.0.0.2");
  values["ad"] = ad.origin();
  HttpServer till({{"/till.html", page(kTill, values)},
                   {"/same.html", reporting("same-origin frame")},
                   {"/sandboxed.html", reporting("sandboxed frame")},
                   {"/customer.html", customerDisplay()}});
  XServer x({.windowManager = false});
  ShellHome home;
  Shell shell(x, home, {.startPage = till.url("/till.html")});
  ASSERT_TRUE(home.waitForConsole("main frame elsewhere: ")) << home.consoleText() << shell.errors();
  const std::string log = home.consoleText();

  const std::pair<const char*, const char*> contexts[] = {
      {"main", "function,function"},
      {"same-origin frame", "function,function"},
      {"srcdoc frame", "function,function"},
      {"customer display", "function,function"},
      {"cross-origin frame", "undefined,undefined"},
      {"sandboxed frame", "undefined,undefined"},
      {"data frame", "undefined,undefined"},
      {"popup of the advert", "undefined,undefined"},
      {"main frame elsewhere", "undefined,undefined"},
      {"blank frame of the till", "function"},
      {"blank frame of the advert", "undefined"},
      {"advert attempts", "ReferenceError,SecurityError,SecurityError,SecurityError"},
      {"advert cookie", "[]"},
      {"till location", "allowed"},
      {"advert location", "denied"},
  };
  for (const auto& [label, seen] : contexts) EXPECT_EQ(reportOf(log, label), seen) << label;

  // The till's own call printed; none of the advert's did.
  EXPECT_NE(printer.waitForText("from the till").find("from the till\n"), std::string::npos);
  EXPECT_EQ(printer.received().find("advert"), std::string::npos);

  // Named once each, however many of its documents were refused.
  const std::string errors = shell.errors();
  EXPECT_EQ(
      occurrences(errors, "lumetra: window functions withheld from " + ad.origin() + " (not in trusted_origins)\n"), 1u)
      << errors;
  EXPECT_EQ(occurrences(errors, "lumetra: window functions withheld from an opaque origin"), 1u) << errors;
  EXPECT_EQ(occurrences(errors, "window functions withheld"), 2u) << errors;
  // The main window shows another origin's page: the staff are told which.
  EXPECT_TRUE(eventually([&] {
    return shell.errors().find("lumetra: printer notice [此页面不在受信任来源中，收银功能已停用：" + ad.origin() +
                               "]\n") != std::string::npos;
  })) << shell.errors();
}

void writePage(const std::filesystem::path& file, const std::string& script) {
  std::filesystem::create_directories(file.parent_path());
  std::ofstream(file) << "<!doctype html><html><head><meta charset=\"utf-8\"><title>Velmora</title>" << kReport
                      << "</head><body><script>" << script << "</script></body></html>";
}

// A till on local pages, with a second folder listed in the settings: pages
// in those folders and below them are trusted, none beside them, however
// the path is dressed up.
TEST(TrustedOriginsTest, LocalPagesAreTrustedInsideTheListedFoldersOnly) {
  ShellHome home;
  const std::filesystem::path shop = home.directory() / "shop";
  const std::string shopUrl = "file://" + shop.string();
  std::filesystem::create_directories(home.directory() / "config" / "lumetra");
  std::ofstream(home.directory() / "config" / "lumetra" / "lumetra.conf")
      << "[security]\ntrusted_origins = " << (shop / "www").string() << ", " << shopUrl << "/extra/\n";
  std::string frames;
  for (const char* url :
       {"sub/inner.html", "../www-old/page.html", "../extra/page.html", "../www%2F..%2Fother/page.html"}) {
    frames += std::string("document.write('<iframe src=\"") + url + "\"></iframe>');";
  }
  writePage(shop / "www" / "till.html", "report('main');" + frames);
  writePage(shop / "www" / "sub" / "inner.html", "report('subfolder');");
  writePage(shop / "www-old" / "page.html", "report('folder with the same start');");
  writePage(shop / "extra" / "page.html", "report('second listed folder');");
  writePage(shop / "other" / "page.html", "report('folder reached through an encoded ..');");
  XServer x({.windowManager = false});
  Shell shell(x, home, {.startPage = shopUrl + "/www/till.html"});
  const char* const labels[] = {"main", "subfolder", "second listed folder", "folder with the same start",
                                "folder reached through an encoded .."};
  ASSERT_TRUE(eventually([&] {
    return std::all_of(std::begin(labels), std::end(labels),
                       [&](const char* label) { return reportOf(home.consoleText(), label) != "(no report)"; });
  })) << home.consoleText()
      << shell.errors();
  const std::string log = home.consoleText();

  const char* const seen[] = {"function,function", "function,function", "function,function", "undefined,undefined",
                              "undefined,undefined"};
  for (std::size_t i = 0; i < std::size(labels); ++i) EXPECT_EQ(reportOf(log, labels[i]), seen[i]) << labels[i];
  const std::string errors = shell.errors();
  EXPECT_NE(errors.find("lumetra: window functions withheld from " + shopUrl + "/www-old/ (not in trusted_origins)\n"),
            std::string::npos)
      << errors;
  EXPECT_NE(errors.find("lumetra: window functions withheld from " + shopUrl +
                        "/www%2F..%2Fother/ (not in trusted_origins)\n"),
            std::string::npos)
      << errors;
}

}  // namespace
}  // namespace lumetra::e2e
