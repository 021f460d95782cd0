#include "serial/serial_port_name.h"

#include <charconv>

#include "platform/serial/serial_device.h"

namespace lumetra {
namespace {

constexpr int kHighestComPort = 256;

// The n of "COMn" with n in 1..256 written without leading zeros, else 0.
int comPortNumber(std::string_view name) {
  if (name.size() < 4 || name[3] < '1' || name[3] > '9') return 0;
  for (std::size_t i = 0; i < 3; ++i) {
    if ((name[i] | 0x20) != "com"[i]) return 0;
  }
  int number = 0;
  const auto [end, error] = std::from_chars(name.data() + 3, name.data() + name.size(), number);
  if (error != std::errc() || end != name.data() + name.size()) return 0;
  return number <= kHighestComPort ? number : 0;
}

}  // namespace

std::optional<std::string> serialDevicePath(std::string_view name) {
  if (name.empty() || name.find('\0') != std::string_view::npos) return std::nullopt;
  const std::string folder = platform::kDeviceFolder;
  if (const int number = comPortNumber(name)) return folder + "/ttyS" + std::to_string(number - 1);
  if (name.front() == '/') return std::string(name);
  return folder + "/" + std::string(name);
}

}  // namespace lumetra
