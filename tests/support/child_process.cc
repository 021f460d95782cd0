#include "support/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

#include "support/spawn.h"

namespace lumetra::test {

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                           const std::vector<std::string>& extraEnvironment, const std::string& argv0) {
  // A program that dies early must fail the test, not kill it by SIGPIPE.
  signal(SIGPIPE, SIG_IGN);
  int in[2];
  int out[2];
  if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  std::vector<std::string> argv{argv0.empty() ? program : argv0};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  std::vector<std::string> environment(extraEnvironment);
  for (std::string& entry : currentEnvironment()) environment.push_back(std::move(entry));
  try {
    pid_ = spawnTiedToTest(program, argv, environment, {in[0], out[1], STDERR_FILENO});
  } catch (...) {
    for (int fd : {in[0], in[1], out[0], out[1]}) close(fd);
    throw;
  }
  close(in[0]);
  close(out[1]);
  input_ = in[1];
  output_ = out[0];
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

void ChildProcess::terminate() { sendSignal(SIGTERM); }

void ChildProcess::sendSignal(int number) {
  if (pid_ > 0) kill(pid_, number);
}

int ChildProcess::wait() {
  int status = 0;
  if (pid_ <= 0 || waitpid(pid_, &status, 0) != pid_) return -1;
  pid_ = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace lumetra::test
