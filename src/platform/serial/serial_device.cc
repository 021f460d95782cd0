#include "platform/serial/serial_device.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <fstream>
#include <system_error>
#include <tuple>

namespace lumetra::platform {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Listing:

// The UART type the serial core reports; 0 means the driver found no chip
// behind the port (the usual ttyS1..ttyS31 of a PC).
long uartType(const fs::path& typeFile) {
  std::ifstream in(typeFile);
  std::string text;
  in >> text;
  long type = 0;
  std::from_chars(text.data(), text.data() + text.size(), type);
  return type;
}

// USB adapters are not driven by the serial core and have no type to check.
bool isUsbSerialName(std::string_view name) { return name.starts_with("ttyUSB") || name.starts_with("ttyACM"); }

// Virtual terminals and pseudo-terminals have no device behind them.
bool isRealSerialPort(const fs::path& ttyEntry, const std::string& name) {
  std::error_code error;
  if (!fs::exists(ttyEntry / "device", error)) return false;
  return isUsbSerialName(name) || uartType(ttyEntry / "type") != 0;
}

// "ttyS10" -> ("ttyS", 10, "ttyS10"), so numbered names sort by number.
std::tuple<std::string_view, unsigned long, std::string_view> countingKey(std::string_view name) {
  const std::size_t digits = name.find_last_not_of("0123456789") + 1;
  unsigned long number = 0;
  std::from_chars(name.data() + digits, name.data() + name.size(), number);
  return {name.substr(0, digits), number, name};
}

// Device I/O:

// Waits until `fd` is ready for `events` or `deadline` passes.
bool waitUntilReady(int fd, short events, Clock::time_point deadline) {
  for (;;) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return false;
    pollfd request{fd, events, 0};
    const int ready = ::poll(&request, 1, static_cast<int>(left.count()));
    if (ready > 0) return (request.revents & events) != 0;
    if (ready < 0 && errno != EINTR) return false;
  }
}

// 2400 baud 8N1 with every byte passed through unchanged in both directions
// and no flow control, so a display that never raises CTS or sends XON is
// still written to. CLOCAL: a display has no carrier to wait for.
void setLineSettings(int fd, termios settings) {
  cfmakeraw(&settings);
  settings.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
  settings.c_cflag |= CS8 | CLOCAL | CREAD;
  settings.c_iflag &= ~(IXON | IXOFF | IXANY);
  cfsetispeed(&settings, B2400);
  cfsetospeed(&settings, B2400);
  ::tcsetattr(fd, TCSANOW, &settings);
  // Opening raised DTR and RTS; some displays treat them as a reset or
  // power line, so leave them low. Drivers without modem lines refuse this.
  int modemLines = TIOCM_DTR | TIOCM_RTS;
  ::ioctl(fd, TIOCMBIC, &modemLines);
}

}  // namespace

std::vector<std::string> serialPortNames(const SerialPortRoots& roots) {
  std::vector<std::string> names;
  std::error_code error;
  fs::directory_iterator it(roots.ttyClass, error);
  for (; !error && it != fs::directory_iterator(); it.increment(error)) {
    std::string name = it->path().filename().string();
    std::error_code nodeError;
    if (isRealSerialPort(it->path(), name) && fs::exists(roots.devices / name, nodeError)) {
      names.push_back(std::move(name));
    }
  }
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return countingKey(a) < countingKey(b); });
  return names;
}

std::unique_ptr<SerialDevice> SerialDevice::open(const fs::path& path) {
  // Non-blocking: a port without carrier must not hold up the open, and
  // every later wait is bounded by poll.
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  termios settings{};
  // One holder at a time, like a port opened without sharing: two web
  // processes writing to one display would garble it. A regular file or a
  // disk is refused: display commands must never land there.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::tcgetattr(fd, &settings) != 0) {
    ::close(fd);
    return nullptr;
  }
  setLineSettings(fd, settings);
  return std::unique_ptr<SerialDevice>(new SerialDevice(fd));
}

SerialDevice::~SerialDevice() { ::close(fd_); }

bool SerialDevice::write(std::string_view bytes, std::chrono::milliseconds bound) {
  const auto deadline = Clock::now() + bound;
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
    if (written > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(written));
    } else if (written < 0 && errno == EINTR) {
      continue;
    } else if (written == 0 || errno != EAGAIN || !waitUntilReady(fd_, POLLOUT, deadline)) {
      return false;
    }
  }
  return true;
}

std::optional<char> SerialDevice::readByte(std::chrono::milliseconds bound) {
  const auto deadline = Clock::now() + bound;
  for (;;) {
    char byte = 0;
    const ssize_t count = ::read(fd_, &byte, 1);
    if (count == 1) return byte;
    if (count < 0 && errno == EINTR) continue;
    if (count == 0 || errno != EAGAIN || !waitUntilReady(fd_, POLLIN, deadline)) return std::nullopt;
  }
}

}  // namespace lumetra::platform
