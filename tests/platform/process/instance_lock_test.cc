#include "platform/process/instance_lock.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "base/log.h"
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

// In the shared temp folder another user may have put something by the
// lock's name first. None of it is taken (so nobody can keep the till from
// starting, or have us open their link's target), each with a line saying
// why; a lock file of ours that an earlier version left open becomes 0600.
TEST(InstanceLockTest, WhatIsNotAFileOfThisUserByTheLocksNameIsNotTaken) {
  test::TempDir dir;
  const auto path = dir.path() / "SinglePro-1000";
  const auto target = dir.path() / "target";
  const struct {
    const char* what;
    std::function<void()> plant;
    const char* line;
  } kPlanted[] = {
      {"a symbolic link", [&] { std::filesystem::create_symlink(target, path); },
       "cannot be opened (a symbolic link is never followed)"},
      {"a FIFO", [&] { ASSERT_EQ(::mkfifo(path.c_str(), 0666), 0); }, "is not a regular file of this user"},
      {"a folder", [&] { std::filesystem::create_directory(path); }, "cannot be opened (Is a directory)"},
      {"another user's file",
       [&] {
         dir.write("SinglePro-1000", "");
         ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0) << "needs root";
       },
       "is not a regular file of this user (its owner: 65534)"},
  };
  for (const auto& planted : kPlanted) {
    std::filesystem::remove_all(path);
    planted.plant();
    std::vector<std::string> lines;
    {
      ScopedLogCapture capture([&](LogLevel, std::string_view line) { lines.emplace_back(line); });
      EXPECT_EQ(InstanceLock(path).state(), State::unavailable) << planted.what;
    }
    ASSERT_EQ(lines.size(), 1u) << planted.what;
    EXPECT_NE(lines[0].find(path.string() + " "), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find(planted.line), std::string::npos) << lines[0];
  }
  EXPECT_FALSE(std::filesystem::exists(target)) << "the link was followed";

  std::filesystem::remove_all(path);
  dir.write("SinglePro-1000", "");
  std::filesystem::permissions(path, std::filesystem::perms(0666));
  EXPECT_EQ(InstanceLock(path).state(), State::acquired);
  EXPECT_EQ(std::filesystem::status(path).permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

TEST(InstanceLockTest, NamedLockLivesInTheRuntimeFolderAndUnreachableFolderMeansUnavailable) {
  test::TempDir dir;
  test::ScopedEnv runtime("XDG_RUNTIME_DIR", dir.path().string());
  EXPECT_EQ(instanceLockPath("SinglePro"), dir.path() / "SinglePro");
  EXPECT_EQ(InstanceLock(dir.path() / "missing" / "SinglePro").state(), State::unavailable);
}

}  // namespace
}  // namespace lumetra::platform
