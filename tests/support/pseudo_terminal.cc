#include "support/pseudo_terminal.h"

#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <stdexcept>
#include <system_error>

namespace lumetra::test {
namespace {

// Long enough never to matter on a loaded machine; only a fault reaches it.
constexpr int kReceiveLimitMs = 5000;

}  // namespace

PseudoTerminal::PseudoTerminal() {
  int portFd = -1;
  char name[128] = {};
  if (::openpty(&deviceFd_, &portFd, name, nullptr, nullptr) != 0) {
    throw std::system_error(errno, std::generic_category(), "openpty");
  }
  ::close(portFd);
  devicePath_ = name;
}

PseudoTerminal::~PseudoTerminal() { ::close(deviceFd_); }

std::string PseudoTerminal::receive(std::size_t count) {
  std::string bytes;
  while (bytes.size() < count) {
    pollfd request{deviceFd_, POLLIN, 0};
    if (::poll(&request, 1, kReceiveLimitMs) <= 0 || !(request.revents & POLLIN)) break;
    char buffer[256];
    const ssize_t got = ::read(deviceFd_, buffer, std::min(sizeof buffer, count - bytes.size()));
    if (got <= 0) break;
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  return bytes;
}

bool PseudoTerminal::portClosed() const {
  pollfd request{deviceFd_, POLLIN, 0};
  return ::poll(&request, 1, 0) == 1 && (request.revents & POLLHUP);
}

termios PseudoTerminal::portSettings() const {
  termios settings{};
  // On the controlling side this reads the port side's settings.
  if (::tcgetattr(deviceFd_, &settings) != 0) {
    throw std::system_error(errno, std::generic_category(), "tcgetattr");
  }
  return settings;
}

void PseudoTerminal::setPortSettings(const termios& settings) {
  if (::tcsetattr(deviceFd_, TCSANOW, &settings) != 0) {
    throw std::system_error(errno, std::generic_category(), "tcsetattr");
  }
}

}  // namespace lumetra::test
