#include "serial/serial_port_functions.h"

#include <chrono>
#include <memory>
#include <mutex>

#include "platform/serial/serial_device.h"
#include "printer/ansi_text.h"
#include "printer/printer_registry.h"
#include "serial/serial_port_name.h"

namespace lumetra {
namespace {

using std::chrono::milliseconds;

// A display answers within a few character times (about 4 ms each at 2400
// baud); half a second covers slow firmware, while a silent or unplugged
// device costs the till no more than a short pause.
constexpr milliseconds kStatusReplyBound{500};

// How long a write may wait for room in the driver's buffer, which is full
// only when the device has stopped taking bytes: a stuck adapter must not
// freeze the till.
constexpr milliseconds kWriteBound{1000};

constexpr std::string_view kStatusRequest = "\x10\x04\x03";

// The one open port of this web process.
std::unique_ptr<platform::SerialDevice>& currentSerialPort() {
  static std::unique_ptr<platform::SerialDevice> port;
  return port;
}

std::string displayCommand(std::int32_t indicator, std::u16string_view text) {
  std::string command = "\x1bs";
  command += static_cast<char>(indicator & 0xff);
  command += "\x1bQA";
  command += bytesUpToNul(toAnsiBytes(text));
  command += '\r';
  return command;
}

}  // namespace

CallResult listSerialPort(const CallArguments&) {
  return CallResult::strings(platform::serialPortNames());
}

CallResult openSerialPort(const CallArguments& arguments) {
  // Closed first, also when the new name then fails: the page must not go on
  // writing to a display it meant to leave.
  currentSerialPort().reset();
  if (const auto path = serialDevicePath(arguments.utf8(0))) {
    currentSerialPort() = platform::SerialDevice::open(*path);
  }
  return CallResult::boolean(currentSerialPort() != nullptr);
}

CallResult closeSerialPort(const CallArguments&) {
  currentSerialPort().reset();
  return CallResult::undefined();
}

CallResult sendData2SerialPort(const CallArguments& arguments) {
  const std::lock_guard lock(printerLock());
  // Kept as pages know it: another argument count writes nothing, yet
  // answers true.
  if (arguments.count() != 2) return CallResult::boolean(true);
  platform::SerialDevice* port = currentSerialPort().get();
  if (!port) return CallResult::boolean(false);
  port->write(displayCommand(arguments.integer(0), arguments.string(1)), kWriteBound);
  return CallResult::boolean(true);
}

CallResult sendData2SerialPortRAW(const CallArguments&) {
  const std::lock_guard lock(printerLock());
  platform::SerialDevice* port = currentSerialPort().get();
  if (!port) return CallResult::boolean(false);
  // The answer is not passed on; waiting for it keeps the page's next command
  // from reaching the device while it is still answering.
  if (port->write(kStatusRequest, kWriteBound)) port->readByte(kStatusReplyBound);
  return CallResult::boolean(true);
}

}  // namespace lumetra
