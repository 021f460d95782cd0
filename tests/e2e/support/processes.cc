#include "e2e/support/processes.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace lumetra::e2e {

bool eventually(const std::function<bool()>& condition, std::chrono::seconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

namespace {

std::vector<std::string> mergedEnvironment(const std::map<std::string, std::string>& added) {
  std::vector<std::string> result;
  for (char** entry = environ; *entry; ++entry) {
    const std::string text = *entry;
    if (!added.contains(text.substr(0, text.find('=')))) result.push_back(text);
  }
  for (const auto& [name, value] : added) result.push_back(name + "=" + value);
  return result;
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
  std::vector<char*> result;
  for (std::string& text : texts) result.push_back(text.data());
  result.push_back(nullptr);
  return result;
}

}  // namespace

// fork and exec rather than posix_spawn: the child asks to be ended when
// the test process goes, however it goes, so nothing it started outlives a
// crashed or killed test. Only async-signal-safe calls after fork.
pid_t spawn(const SpawnOptions& options) {
  std::vector<std::string> arguments = options.arguments;
  std::vector<std::string> environment = mergedEnvironment(options.environment);
  std::vector<char*> argv = pointers(arguments);
  std::vector<char*> envp = pointers(environment);
  // Never the test's own stdout: a child left running would keep the test
  // runner waiting for the end of that pipe.
  const std::string output = options.outputFile.empty() ? "/dev/null" : options.outputFile.string();
  const std::string errors = options.errorFile.empty() ? "/dev/null" : options.errorFile.string();
  const std::string directory = options.workingDirectory.string();
  const pid_t parent = ::getpid();
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  ::prctl(PR_SET_PDEATHSIG, SIGTERM);
  if (::getppid() != parent) ::_exit(127);
  const int in = ::open("/dev/null", O_RDONLY);
  const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const int err = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (in < 0 || out < 0 || err < 0) ::_exit(127);
  ::dup2(in, STDIN_FILENO);
  ::dup2(out, STDOUT_FILENO);
  ::dup2(err, STDERR_FILENO);
  if (options.extraFd >= 0) ::fcntl(options.extraFd, F_SETFD, 0);
  if (!directory.empty() && ::chdir(directory.c_str()) != 0) ::_exit(127);
  ::execvpe(argv.front(), argv.data(), envp.data());
  ::_exit(127);
}

std::optional<int> waitForExit(pid_t pid, std::chrono::seconds limit) {
  int status = 0;
  pid_t reaped = 0;
  if (!eventually([&] { return (reaped = ::waitpid(pid, &status, WNOHANG)) != 0; }, limit)) return std::nullopt;
  if (reaped < 0) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void stopProcess(pid_t pid) {
  if (pid <= 0) return;
  ::kill(pid, SIGTERM);
  if (!waitForExit(pid, std::chrono::seconds(10))) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
  }
}

std::vector<pid_t> childProcesses(pid_t parent, const std::string& name) {
  std::vector<pid_t> children;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string pidText = entry.path().filename();
    if (pidText.find_first_not_of("0123456789") != std::string::npos) continue;
    // /proc/PID/stat: "pid (comm) state ppid ..."; comm may hold blanks.
    const std::string stat = readText(entry.path() / "stat");
    const auto open = stat.find('('), close = stat.rfind(')');
    if (open == std::string::npos || close == std::string::npos) continue;
    std::istringstream rest(stat.substr(close + 2));
    char state = 0;
    pid_t ppid = 0;
    rest >> state >> ppid;
    if (ppid == parent && stat.substr(open + 1, close - open - 1) == name) {
      children.push_back(static_cast<pid_t>(std::stoi(pidText)));
    }
  }
  return children;
}

std::string readText(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace lumetra::e2e
