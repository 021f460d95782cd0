#pragma once

#include <termios.h>

#include <string>
#include <string_view>

namespace lumetra::test {

// A pseudo-terminal standing in for a serial device. The code under test
// opens `devicePath()`; the test plays the device on the other side. Only
// that code holds the port side open, so its closing is observable.
class PseudoTerminal {
 public:
  PseudoTerminal();
  ~PseudoTerminal();
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  const std::string& devicePath() const { return devicePath_; }

  // The next `count` bytes written to the port. Gives fewer only when they
  // do not come within seconds, so a missing write fails instead of hanging.
  std::string receive(std::size_t count);
  // True when nobody holds the port side open.
  bool portClosed() const;
  // The line settings of the port side.
  termios portSettings() const;
  void setPortSettings(const termios& settings);

 private:
  int deviceFd_ = -1;
  std::string devicePath_;
};

}  // namespace lumetra::test
