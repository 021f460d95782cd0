#include "support/virtual_display.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

extern char** environ;

namespace lumetra::test {
namespace {

constexpr int kDisplayFd = 3;

// Starts a program with its output silenced; `displayFd`, when given, is
// handed down as descriptor 3.
pid_t spawnQuietly(std::vector<std::string> argv, int displayFd = -1) {
  std::vector<char*> pointers;
  for (std::string& argument : argv) pointers.push_back(argument.data());
  pointers.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  if (displayFd >= 0) posix_spawn_file_actions_adddup2(&actions, displayFd, kDisplayFd);
  pid_t pid = -1;
  const int error = posix_spawnp(&pid, pointers[0], &actions, nullptr, pointers.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) throw std::runtime_error("cannot start " + argv[0]);
  return pid;
}

void stop(pid_t pid) {
  if (pid <= 0) return;
  ::kill(pid, SIGTERM);
  while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
  }
}

std::string readLine(int fd) {
  std::string line;
  char c = 0;
  while (::read(fd, &c, 1) == 1 && c != '\n') line += c;
  return line;
}

}  // namespace

VirtualDisplay::VirtualDisplay(const Options& options) {
  startServer(options.screenSize);
  try {
    if (options.windowManager) startWindowManager();
  } catch (...) {
    stop(windowManager_);
    stop(server_);
    throw;
  }
}

VirtualDisplay::~VirtualDisplay() {
  stop(windowManager_);
  stop(server_);
}

void VirtualDisplay::startServer(const std::string& screenSize) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  server_ = spawnQuietly({"Xvfb", "-displayfd", std::to_string(kDisplayFd), "-screen", "0", screenSize + "x24",
                          "-nolisten", "tcp"},
                         fds[1]);
  ::close(fds[1]);
  const std::string number = readLine(fds[0]);
  ::close(fds[0]);
  if (number.empty()) {
    stop(server_);
    server_ = -1;
    throw std::runtime_error("Xvfb did not start");
  }
  name_ = ":" + number;
  display_.emplace("DISPLAY", name_);
}

void VirtualDisplay::startWindowManager() {
  // Openbox announces itself on the root window before it manages windows;
  // its start-up command runs only once it does.
  const std::filesystem::path ready = files_.path() / "window-manager-ready";
  windowManager_ = spawnQuietly({"openbox", "--sm-disable", "--startup", "touch '" + ready.string() + "'"});
  if (!eventually([&] { return std::filesystem::exists(ready); })) {
    throw std::runtime_error("openbox did not take over the display");
  }
}

bool eventually(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

}  // namespace lumetra::test
