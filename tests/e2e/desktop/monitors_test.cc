#include <gtest/gtest.h>

#include "e2e/support/x_server.h"
#include "functions/host_functions.h"
#include "support/temp_dir.h"
#include "support/test_context.h"

namespace lumetra {
namespace {

TEST(GetMonitorsTest, CountsTheMonitorsXRandRReports) {
  {
    e2e::XServer x({.windowManager = false});
    test::ScopedEnv display("DISPLAY", x.display());
    EXPECT_EQ(test::HostContext().call("getMonitors", {}), CallResult::integer(1));
  }
  e2e::XServer x({.windowManager = false, .secondMonitor = true});
  test::ScopedEnv display("DISPLAY", x.display());
  EXPECT_EQ(test::HostContext().call("getMonitors", {}), CallResult::integer(2));
}

TEST(GetMonitorsTest, GivesZeroWithoutADisplay) {
  test::ScopedEnv noDisplay("DISPLAY", "");
  EXPECT_EQ(test::HostContext().call("getMonitors", {}), CallResult::integer(0));
}

}  // namespace
}  // namespace lumetra
