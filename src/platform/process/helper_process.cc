#include "platform/process/helper_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

extern char** environ;

namespace lumetra::platform {
namespace {

std::string readAll(int fd) {
  std::string output;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0) {
      output.append(buffer, static_cast<std::size_t>(n));
    } else if (n == 0 || errno != EINTR) {
      return output;
    }
  }
}

int waitForExit(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

std::optional<HelperOutcome> runHelper(const std::string& mode, const std::vector<std::string>& arguments) {
  const char* executable = std::getenv(kExecutableVariable);
  if (!executable || !*executable) return std::nullopt;

  std::vector<std::string> argv{executable, kHelperSwitch + mode};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  std::vector<char*> argvPointers;
  for (std::string& argument : argv) argvPointers.push_back(argument.data());
  argvPointers.push_back(nullptr);

  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) return HelperOutcome{};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  pid_t pid = 0;
  const int spawnError = ::posix_spawn(&pid, executable, &actions, nullptr, argvPointers.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeFds[1]);
  if (spawnError != 0) {
    ::close(pipeFds[0]);
    return HelperOutcome{};
  }
  HelperOutcome outcome;
  outcome.output = readAll(pipeFds[0]);
  ::close(pipeFds[0]);
  outcome.exitStatus = waitForExit(pid);
  return outcome;
}

}  // namespace lumetra::platform
