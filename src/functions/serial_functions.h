#pragma once

#include "base/call_frame.h"
#include "functions/context.h"

namespace lumetra {

// The page's functions for its one serial port, a customer price display.

// listSerialPort(): the names of the machine's serial ports.
CallResult listSerialPort(Context& context, const CallArguments& arguments);
// openSerialPort(name): true when the port is open (2400 baud, 8N1).
CallResult openSerialPort(Context& context, const CallArguments& arguments);
// closeSerialPort(): closes the port, if one is open.
CallResult closeSerialPort(Context& context, const CallArguments& arguments);
// sendData2SerialPort(indicator, text): shows the text with a price lamp;
// false when no port is open. Kept as pages know it: another argument count
// writes nothing, yet answers true.
CallResult sendData2SerialPort(Context& context, const CallArguments& arguments);
// sendData2SerialPortRAW(): asks the display for its status; false when no
// port is open.
CallResult sendData2SerialPortRAW(Context& context, const CallArguments& arguments);

}  // namespace lumetra
