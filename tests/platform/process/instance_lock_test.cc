#include "platform/process/instance_lock.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/temp_dir.h"

namespace lumetra::platform {
namespace {

using State = InstanceLock::State;

TEST(InstanceLockTest, OneHolderAtATimeAndFreeAgainWhenItGoes) {
  test::TempDir dir;
  const auto path = dir.path() / "SinglePro";
  {
    InstanceLock first(path);
    EXPECT_EQ(first.state(), State::acquired);
    InstanceLock second(path);
    EXPECT_EQ(second.state(), State::heldElsewhere);
  }
  InstanceLock again(path);
  EXPECT_EQ(again.state(), State::acquired);
}

TEST(InstanceLockTest, TheSystemReleasesItWhenTheHoldingProcessDies) {
  test::TempDir dir;
  const auto path = dir.path() / "SinglePro";
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    InstanceLock held(path);
    const char state = held.state() == State::acquired ? 'y' : 'n';
    (void)::write(ready[1], &state, 1);
    ::pause();
    ::_exit(0);
  }
  char state = 0;
  ASSERT_EQ(::read(ready[0], &state, 1), 1);
  ASSERT_EQ(state, 'y');
  EXPECT_EQ(InstanceLock(path).state(), State::heldElsewhere);
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  ::close(ready[0]);
  ::close(ready[1]);
  EXPECT_EQ(InstanceLock(path).state(), State::acquired);
}

TEST(InstanceLockTest, NamedLockLivesInTheRuntimeFolderAndUnreachableFolderMeansUnavailable) {
  test::TempDir dir;
  test::ScopedEnv runtime("XDG_RUNTIME_DIR", dir.path().string());
  EXPECT_EQ(instanceLockPath("SinglePro"), dir.path() / "SinglePro");
  EXPECT_EQ(InstanceLock(dir.path() / "missing" / "SinglePro").state(), State::unavailable);
}

}  // namespace
}  // namespace lumetra::platform
