#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lumetra {

// The device a page's port name stands for:
// - "COM1".."COM256", any case: /dev/ttyS0../dev/ttyS255, so a page written
//   for Windows works unchanged;
// - an absolute path as it is (a udev alias such as /dev/serial/by-id/...,
//   a pseudo-terminal);
// - anything else: that node under /dev ("ttyUSB0" -> /dev/ttyUSB0).
// Nothing for a name that cannot name a device: empty or holding a NUL.
std::optional<std::string> serialDevicePath(std::string_view name);

}  // namespace lumetra
