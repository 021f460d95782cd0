#include <gtest/gtest.h>

#include "e2e/support/shell.h"
#include "support/cupsd_fixture.h"
#include "support/fake_network_printer.h"

namespace lumetra::e2e {
namespace {

TEST(ContextReleaseTest, RemovingAFrameClosesThePrinterTheMainPageOpened) {
  test::PrivateCupsd cupsd;
  test::FakeNetworkPrinter device("127.0.3.240");
  cupsd.addRawQueue("Receipt", device.deviceUri());
  XServer x({.windowManager = false});
  ShellHome home;
  Shell shell(x, home, {.startPage = pageUrl("release.html")});
  ASSERT_TRUE(home.waitForConsole("printer closed by the release")) << home.consoleText() << shell.errors();
  const std::string log = home.consoleText();
  EXPECT_NE(log.find("Message: opened: true\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("Message: printing before: true\r\n"), std::string::npos) << log;
}

}  // namespace
}  // namespace lumetra::e2e
