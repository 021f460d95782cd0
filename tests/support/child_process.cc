#include "support/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

extern char** environ;

namespace lumetra::test {

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                           const std::vector<std::string>& extraEnvironment, const std::string& argv0) {
  // A program that dies early must fail the test, not kill it by SIGPIPE.
  signal(SIGPIPE, SIG_IGN);
  int in[2];
  int out[2];
  if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  std::vector<std::string> argumentTexts{argv0.empty() ? program : argv0};
  argumentTexts.insert(argumentTexts.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& text : argumentTexts) argv.push_back(text.data());
  argv.push_back(nullptr);
  std::vector<std::string> environmentTexts(extraEnvironment);
  for (char** entry = environ; *entry; ++entry) environmentTexts.emplace_back(*entry);
  std::vector<char*> envp;
  for (std::string& text : environmentTexts) envp.push_back(text.data());
  envp.push_back(nullptr);
  const int failed = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(in[0]);
  close(out[1]);
  input_ = in[1];
  output_ = out[0];
  if (failed) {
    pid_ = -1;
    throw std::runtime_error("cannot start " + program);
  }
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0) {
    terminate();
    wait();
  }
  closeInput();
  if (output_ >= 0) close(output_);
}

void ChildProcess::writeInput(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = write(input_, bytes.data(), bytes.size());
    if (written <= 0) throw std::runtime_error("cannot write to the child's input");
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

void ChildProcess::closeInput() {
  if (input_ >= 0) close(input_);
  input_ = -1;
}

std::optional<std::string> ChildProcess::readLine() {
  for (;;) {
    const std::size_t newline = buffered_.find('\n');
    if (newline != std::string::npos) {
      std::string line = buffered_.substr(0, newline);
      buffered_.erase(0, newline + 1);
      return line;
    }
    char chunk[4096];
    const ssize_t got = read(output_, chunk, sizeof chunk);
    if (got <= 0) return std::nullopt;
    buffered_.append(chunk, static_cast<std::size_t>(got));
  }
}

void ChildProcess::terminate() {
  if (pid_ > 0) kill(pid_, SIGTERM);
}

int ChildProcess::wait() {
  int status = 0;
  if (pid_ <= 0 || waitpid(pid_, &status, 0) != pid_) return -1;
  pid_ = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace lumetra::test
