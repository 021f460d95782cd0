#include "support/spawn.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

extern char** environ;

namespace lumetra::test {
namespace {

std::vector<char*> pointers(std::vector<std::string>& texts) {
  std::vector<char*> result;
  for (std::string& text : texts) result.push_back(text.data());
  result.push_back(nullptr);
  return result;
}

// Runs in the forked child: only async-signal-safe calls.
[[noreturn]] void becomeProgram(const char* program, char* const* argv, char* const* envp, ChildStreams streams,
                                const char* directory, int keepOpen, int reportFd) {
  const int nullDevice = ::open("/dev/null", O_RDWR);
  const int input = streams.input >= 0 ? streams.input : nullDevice;
  const int output = streams.output >= 0 ? streams.output : nullDevice;
  const int error = streams.error >= 0 ? streams.error : nullDevice;
  if (nullDevice < 0 || ::dup2(input, STDIN_FILENO) < 0 || ::dup2(output, STDOUT_FILENO) < 0 ||
      ::dup2(error, STDERR_FILENO) < 0) {
    ::_exit(127);
  }
  if (keepOpen >= 0) ::fcntl(keepOpen, F_SETFD, 0);
  if (*directory && ::chdir(directory) != 0) ::_exit(127);
  ::execvpe(program, argv, envp);
  const int failure = errno;
  (void)!::write(reportFd, &failure, sizeof failure);
  ::_exit(127);
}

}  // namespace

pid_t spawnTiedToTest(const std::string& program, const std::vector<std::string>& arguments,
                      const std::vector<std::string>& environment, ChildStreams streams,
                      const std::string& workingDirectory, int keepOpen) {
  std::vector<std::string> argumentTexts = arguments;
  std::vector<std::string> environmentTexts = environment;
  const std::vector<char*> argv = pointers(argumentTexts);
  const std::vector<char*> envp = pointers(environmentTexts);
  // The child reports a failed exec through this pipe; it closes unused on
  // a successful one.
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  const pid_t parent = ::getpid();
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) ::_exit(127);
    becomeProgram(program.c_str(), argv.data(), envp.data(), streams, workingDirectory.c_str(), keepOpen, report[1]);
  }
  ::close(report[1]);
  int failure = 0;
  const ssize_t got = pid > 0 ? ::read(report[0], &failure, sizeof failure) : 0;
  ::close(report[0]);
  if (pid < 0) throw std::runtime_error("fork failed");
  if (got == sizeof failure) {
    ::waitpid(pid, nullptr, 0);
    throw std::runtime_error("cannot start " + program + ": " + std::strerror(failure));
  }
  return pid;
}

std::vector<std::string> currentEnvironment() {
  std::vector<std::string> result;
  for (char** entry = environ; *entry; ++entry) result.emplace_back(*entry);
  return result;
}

}  // namespace lumetra::test
