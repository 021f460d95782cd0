#pragma once

#include "base/call_frame.h"

namespace lumetra {

// The serial customer display. At most one port is open per web process and
// every function works on that one.

// listSerialPort(): the names of the machine's serial ports, as
// openSerialPort takes them back; an empty array when there are none.
CallResult listSerialPort(const CallArguments& arguments);

// openSerialPort(name): closes the open port, then opens `name` (see
// serialDevicePath) at 2400 baud 8N1. True when it opened; false leaves no
// port open.
CallResult openSerialPort(const CallArguments& arguments);

// closeSerialPort(): closes the open port, if any.
CallResult closeSerialPort(const CallArguments& arguments);

// sendData2SerialPort(n, text): writes the display command ESC s n, ESC Q A,
// text, CR with the low 8 bits of n. With other than 2 arguments it writes
// nothing and gives true; false only when no port is open.
CallResult sendData2SerialPort(const CallArguments& arguments);

// sendData2SerialPortRAW(): writes the status request DLE EOT 3 and waits a
// bounded time for the one-byte answer, which is not passed on. False when
// no port is open.
CallResult sendData2SerialPortRAW(const CallArguments& arguments);

}  // namespace lumetra
