#include <gtest/gtest.h>

#include "e2e/support/http_server.h"
#include "e2e/support/shell.h"

namespace lumetra::e2e {
namespace {

// The opener reads the popup's error page: both share the server's origin.
constexpr const char* kOpener = R"(<!doctype html><html><head><meta charset="utf-8"><title>Velmora</title></head>
<body><script>
const popup = window.open('/drop?q=&lt;b&gt;', 'failing');
const timer = setInterval(() => {
  const body = popup.document && popup.document.body;
  if (!body || !body.textContent.includes('Failed to load URL')) return;
  clearInterval(timer);
  console.log('error page: ' + body.textContent);
}, 50);
</script></body></html>)";

TEST(LoadErrorTest, AFailedLoadShowsTheErrorPageWithUrlTextAndCodeAsText) {
  HttpServer server(std::map<std::string, std::string>{{"/opener.html", kOpener}});
  XServer x({.windowManager = false});
  ShellHome home;
  Shell shell(x, home, {.startPage = server.url("/opener.html")});
  ASSERT_TRUE(home.waitForConsole("error page: ")) << shell.errors();
  const std::string log = home.consoleText();
  const std::string text = log.substr(log.find("error page: ") + 12);
  // Escaped, the entities in the URL stay text instead of becoming markup.
  const std::string prefix = "Failed to load URL " + server.url("/drop?q=&lt;b&gt;") + " with error ";
  EXPECT_EQ(text.substr(0, prefix.size()), prefix) << text;
  const std::string end = text.substr(0, text.find("\r\n"));
  EXPECT_TRUE(end.ends_with(").")) << end;
  EXPECT_NE(end.find(" ("), std::string::npos) << end;
}

}  // namespace
}  // namespace lumetra::e2e
