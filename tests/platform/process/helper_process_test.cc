#include "platform/process/helper_process.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace lumetra::platform {
namespace {

// A stand-in executable that echoes its helper arguments and exits with 3.
class HelperProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto script = dir_.write("fake-lumetra", "#!/bin/sh\nprintf '%s|' \"$@\"\nexit 3\n");
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    executable_.emplace(kExecutableVariable, script.string());
  }
  test::TempDir dir_;
  std::optional<test::ScopedEnv> executable_;
};

TEST_F(HelperProcessTest, PassesModeAndArgumentsAndReturnsOutputAndStatus) {
  const auto outcome = runHelper("select-file", {"MP3文件", "*.mp3", "a b;c"});
  ASSERT_TRUE(outcome);
  EXPECT_EQ(outcome->output, "--lumetra-helper=select-file|MP3文件|*.mp3|a b;c|");
  EXPECT_EQ(outcome->exitStatus, 3);
}

TEST(HelperProcessWithoutUiTest, NeedsTheUiProcessExecutable) {
  test::ScopedEnv unset(kExecutableVariable, "");
  EXPECT_FALSE(runHelper("message-box", {}));
}

}  // namespace
}  // namespace lumetra::platform
