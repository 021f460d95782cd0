#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "e2e/support/processes.h"
#include "functions/host_functions.h"
#include "platform/process/processes.h"
#include "support/temp_dir.h"
#include "support/test_context.h"

namespace lumetra {
namespace {

struct StartedScript {
  int pid = 0;
  int workerPid = 0;  // a process the script started itself
  std::string arguments;
  std::string directory;
};

// The fields of /proc/PID/stat after the command name: state, parent,
// process group, session ...; empty once the process has been reaped.
std::istringstream statusFields(int pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  std::getline(stat, line);
  const auto nameEnd = line.rfind(')');
  return std::istringstream(nameEnd == std::string::npos ? "" : line.substr(nameEnd + 2));
}

std::string processState(int pid) {
  std::string state;
  statusFields(pid) >> state;
  return state;
}

int sessionOf(int pid) {
  std::string state;
  int parent = 0, group = 0, session = 0;
  statusFields(pid) >> state >> parent >> group >> session;
  return session;
}

bool isGone(int pid) { return processState(pid).empty(); }
bool isDead(int pid) { return processState(pid).empty() || processState(pid) == "Z"; }

std::string linkTarget(const std::filesystem::path& link) {
  std::error_code error;
  return std::filesystem::read_symlink(link, error).string();
}

// The shop's folder as the current directory, with a stand-in "node" first on
// PATH that notes how it was started, starts a worker of its own and waits.
class NodeScriptTest : public ::testing::Test {
 protected:
  void SetUp() override {
    shop_.write("node-service/Main.js", "// the shop's companion script\n");
    useNode("sleep 600 &\necho \"$$ $! $* $(pwd)\" >> started.log\nwait\n");
  }
  // Ends every script a test started, through the same guard against
  // reused process ids that endNodeScript relies on.
  void TearDown() override {
    for (const StartedScript& script : started(0)) platform::killDetachedProcess(script.pid);
  }

  void useNode(const std::string& body) {
    const auto node = bin_.write("node", "#!/bin/sh\n" + body);
    std::filesystem::permissions(node, std::filesystem::perms::owner_all);
  }

  std::vector<StartedScript> started(std::size_t expected) {
    std::vector<StartedScript> scripts;
    const bool complete = e2e::eventually([&] {
      scripts.clear();
      std::istringstream lines(test::readFile(shop_.path() / "started.log"));
      for (std::string line; std::getline(lines, line);) {
        StartedScript script;
        std::istringstream fields(line);
        fields >> script.pid >> script.workerPid >> script.arguments >> script.directory;
        scripts.push_back(script);
      }
      return scripts.size() >= expected;
    });
    EXPECT_TRUE(complete) << "node was not started " << expected << " times";
    return scripts;
  }

  test::TempDir shop_;
  test::TempDir bin_;
  test::ScopedWorkingDirectory inShop_{shop_.path()};
  test::ScopedEnv path_{"PATH", bin_.path().string() + ":" + std::getenv("PATH")};
  CallResult call(std::string_view name, const CallArguments& arguments) { return host_.call(name, arguments); }
  test::HostContext host_;
};

TEST_F(NodeScriptTest, RunsTheScriptDetachedAndEndsItWithItsWorkers) {
  int printerSocket[2];
  ASSERT_EQ(::pipe(printerSocket), 0);  // stands in for any descriptor the web process holds open
  EXPECT_TRUE(call("startNodeScript", {}).isUndefined());
  const auto scripts = started(1);
  ASSERT_EQ(scripts.size(), 1u);
  const StartedScript& script = scripts[0];
  EXPECT_EQ(script.arguments, "node-service/Main.js");
  EXPECT_EQ(script.directory, shop_.path().string());
  EXPECT_EQ(sessionOf(script.pid), script.pid);
  EXPECT_EQ(linkTarget("/proc/" + std::to_string(script.pid) + "/fd/0"), "/dev/null");
  EXPECT_EQ(linkTarget("/proc/" + std::to_string(script.pid) + "/fd/1"), "/dev/null");
  const std::string heldPipe = linkTarget("/proc/self/fd/" + std::to_string(printerSocket[1]));
  for (const auto& fd : std::filesystem::directory_iterator("/proc/" + std::to_string(script.pid) + "/fd")) {
    EXPECT_NE(linkTarget(fd.path()), heldPipe) << "descriptor " << fd.path().filename() << " leaked";
  }
  ::close(printerSocket[0]);
  ::close(printerSocket[1]);

  EXPECT_TRUE(call("endNodeScript", {}).isUndefined());
  EXPECT_TRUE(e2e::eventually([&] { return isGone(script.pid); })) << "not ended, or left a zombie";
  EXPECT_TRUE(e2e::eventually([&] { return isDead(script.workerPid); })) << "its worker runs on";
}

// One script at a time: a start while it runs starts none (the process
// would be this process's child as soon as the call returned), and the end
// stops the one that runs.
TEST_F(NodeScriptTest, ASecondStartWhileTheScriptRunsStartsNoneAndTheEndStopsTheOneThatRuns) {
  call("startNodeScript", {});
  const auto scripts = started(1);
  ASSERT_EQ(scripts.size(), 1u);
  call("startNodeScript", {});
  EXPECT_EQ(e2e::childProcesses(::getpid(), "node"), std::vector<pid_t>{scripts[0].pid});

  call("endNodeScript", {});
  EXPECT_TRUE(e2e::eventually([&] { return isGone(scripts[0].pid); }));
}

TEST_F(NodeScriptTest, AScriptThatEndsByItselfLeavesNoZombieAndTheNextStartRunsItAgain) {
  useNode("echo \"$$ 0 $* $(pwd)\" >> started.log\n");
  call("startNodeScript", {});
  const auto first = started(1);
  ASSERT_EQ(first.size(), 1u);
  EXPECT_TRUE(e2e::eventually([&] { return isGone(first[0].pid); }));
  call("startNodeScript", {});
  EXPECT_EQ(started(2).size(), 2u);
}

}  // namespace
}  // namespace lumetra
