#include "e2e/support/processes.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "support/spawn.h"

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
  for (const std::string& text : test::currentEnvironment()) {
    if (!added.contains(text.substr(0, text.find('=')))) result.push_back(text);
  }
  for (const auto& [name, value] : added) result.push_back(name + "=" + value);
  return result;
}

}  // namespace

pid_t spawn(const SpawnOptions& options) {
  // Never the test's own stdout: a child left running would keep the test
  // runner waiting for the end of that pipe.
  const std::string output = options.outputFile.empty() ? "/dev/null" : options.outputFile.string();
  const std::string errors = options.errorFile.empty() ? "/dev/null" : options.errorFile.string();
  const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const int err = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  pid_t pid = -1;
  if (out >= 0 && err >= 0) {
    pid = test::spawnTiedToTest(options.arguments.front(), options.arguments, mergedEnvironment(options.environment),
                                {-1, out, err}, options.workingDirectory.string(), options.extraFd);
  }
  if (out >= 0) ::close(out);
  if (err >= 0) ::close(err);
  return pid;
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

std::size_t occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

}  // namespace lumetra::e2e
