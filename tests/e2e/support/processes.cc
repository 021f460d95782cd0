#include "e2e/support/processes.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
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

pid_t spawn(const SpawnOptions& options) {
  std::vector<std::string> arguments = options.arguments;
  std::vector<std::string> environment = mergedEnvironment(options.environment);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  if (!options.outputFile.empty()) {
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, options.outputFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
  }
  if (!options.errorFile.empty()) {
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, options.errorFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
  }
  if (!options.workingDirectory.empty()) {
    posix_spawn_file_actions_addchdir_np(&actions, options.workingDirectory.c_str());
  }
  // dup2 onto itself clears close-on-exec for the descriptor.
  if (options.extraFd >= 0) posix_spawn_file_actions_adddup2(&actions, options.extraFd, options.extraFd);
  pid_t pid = -1;
  const int error = posix_spawnp(&pid, arguments.front().c_str(), &actions, nullptr, pointers(arguments).data(),
                                 pointers(environment).data());
  posix_spawn_file_actions_destroy(&actions);
  return error == 0 ? pid : -1;
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
