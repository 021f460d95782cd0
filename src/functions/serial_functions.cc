#include "functions/serial_functions.h"

#include "platform/serial/serial_device.h"
#include "serial/customer_display.h"

namespace lumetra {

CallResult listSerialPort(Context&, const CallArguments&) { return CallResult::strings(platform::serialPortNames()); }

CallResult openSerialPort(Context& context, const CallArguments& arguments) {
  return CallResult::boolean(openDisplayPort(context.display, arguments.utf8(0)));
}

CallResult closeSerialPort(Context& context, const CallArguments&) {
  closeDisplayPort(context.display);
  return CallResult::undefined();
}

CallResult sendData2SerialPort(Context& context, const CallArguments& arguments) {
  return CallResult::boolean(showOnDisplay(context.display, arguments.integer(0), arguments.string(1)));
}

CallResult sendData2SerialPortRAW(Context& context, const CallArguments&) {
  return CallResult::boolean(requestDisplayStatus(context.display));
}

}  // namespace lumetra
