#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumetra::test {

// A program the test starts, with its standard input and output connected
// to the test. Ended by its own pid (SIGTERM) and reaped when the object
// goes, if the test has not waited for it.
class ChildProcess {
 public:
  // `argv0` replaces the program's path as argv[0] when given.
  ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
               const std::vector<std::string>& extraEnvironment = {}, const std::string& argv0 = {});
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  void writeInput(std::string_view bytes);
  void closeInput();
  // The next line the program writes (without its newline); nullopt once its
  // output has ended. Blocks until one comes.
  std::optional<std::string> readLine();
  void terminate();
  // Sends the program `number` (SIGKILL: it ends at once, whatever it does).
  void sendSignal(int number);
  // Waits for the program to end: its exit status, or -1 when a signal ended it.
  int wait();

 private:
  pid_t pid_ = -1;
  int input_ = -1;
  int output_ = -1;
  std::string buffered_;
};

}  // namespace lumetra::test
