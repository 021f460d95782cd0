#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumetra::platform {

// Where device nodes live; a plain port name is a node in this folder.
inline constexpr const char* kDeviceFolder = "/dev";

// Where the kernel lists its terminals and where their nodes are. Tests
// point both at a fake tree.
struct SerialPortRoots {
  std::filesystem::path ttyClass = "/sys/class/tty";
  std::filesystem::path devices = kDeviceFolder;
};

// The machine's real serial ports as node names under `roots.devices`
// ("ttyS0", "ttyUSB0"), ordered as people count: ttyS2 before ttyS10.
std::vector<std::string> serialPortNames(const SerialPortRoots& roots = {});

// One open serial port, held exclusively, set to 2400 baud 8N1, raw, with no
// flow control. Closed when the object goes.
class SerialDevice {
 public:
  // Nothing when the path cannot be opened, is not a terminal, or is held by
  // another SerialDevice (in this or another process).
  static std::unique_ptr<SerialDevice> open(const std::filesystem::path& path);

  ~SerialDevice();
  SerialDevice(const SerialDevice&) = delete;
  SerialDevice& operator=(const SerialDevice&) = delete;

  // Hands every byte to the driver, waiting at most `bound` for room when its
  // buffer is full. False when not all were taken.
  bool write(std::string_view bytes, std::chrono::milliseconds bound);
  // The next byte the device sent, waiting at most `bound` for one.
  std::optional<char> readByte(std::chrono::milliseconds bound);

 private:
  explicit SerialDevice(int fd) : fd_(fd) {}

  int fd_;
};

}  // namespace lumetra::platform
