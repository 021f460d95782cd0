#include "serial/customer_display.h"

#include <chrono>

#include "printer/ansi_text.h"
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

std::string displayCommand(std::int32_t indicator, std::u16string_view text) {
  std::string command = "\x1bs";
  command += static_cast<char>(indicator & 0xff);
  command += "\x1bQA";
  command += bytesUpToNul(toAnsiBytes(text));
  command += '\r';
  return command;
}

}  // namespace

bool openDisplayPort(CustomerDisplay& display, const std::string& name) {
  MutexLock lock(display.mutex);
  display.port.reset();
  if (const auto path = serialDevicePath(name)) display.port = platform::SerialDevice::open(*path);
  return display.port != nullptr;
}

void closeDisplayPort(CustomerDisplay& display) {
  MutexLock lock(display.mutex);
  display.port.reset();
}

bool showOnDisplay(CustomerDisplay& display, std::int32_t indicator, std::u16string_view text) {
  MutexLock lock(display.mutex);
  if (!display.port) return false;
  display.port->write(displayCommand(indicator, text), kWriteBound);
  return true;
}

bool requestDisplayStatus(CustomerDisplay& display) {
  MutexLock lock(display.mutex);
  if (!display.port) return false;
  // Waiting for the answer keeps the page's next command from reaching the
  // device while it is still answering.
  if (display.port->write(kStatusRequest, kWriteBound)) display.port->readByte(kStatusReplyBound);
  return true;
}

}  // namespace lumetra
