#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/mutex.h"
#include "platform/serial/serial_device.h"

namespace lumetra {

// The one serial port of a web process (a customer price display). It has a
// lock of its own: writing to it never waits on a printer or holds up one.
struct CustomerDisplay {
  Mutex mutex;
  std::unique_ptr<platform::SerialDevice> port GUARDED_BY(mutex);
};

// Opens the port the page names (see serialDevicePath), closing the one
// open before first, also when the new name then fails: the page must not
// go on writing to a display it meant to leave. True when open.
bool openDisplayPort(CustomerDisplay& display, const std::string& name) EXCLUDES(display.mutex);
void closeDisplayPort(CustomerDisplay& display) EXCLUDES(display.mutex);

// Shows `text` (ANSI, up to its first NUL) with the price indicator lamp
// `indicator` (its low 8 bits). False when no port is open.
bool showOnDisplay(CustomerDisplay& display, std::int32_t indicator, std::u16string_view text) EXCLUDES(display.mutex);

// Asks the display for its status and waits briefly for the answer, which
// is not passed on. False when no port is open.
bool requestDisplayStatus(CustomerDisplay& display) EXCLUDES(display.mutex);

}  // namespace lumetra
