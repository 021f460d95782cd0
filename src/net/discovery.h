#pragma once

#include "base/call_frame.h"

namespace lumetra {

// getIPPrinterList(): the dotted IPv4 addresses of the hosts on the machine's
// local subnets that accept a TCP connection on port 9100 within 3 seconds,
// in the order their connections completed (an empty array when there are
// none or the machine has no address worth scanning). Undefined, after a
// message box, when the scan cannot start. Arguments are ignored. Blocks for
// the whole scan: about 3 seconds per 256 addresses.
CallResult getIPPrinterList(const CallArguments& arguments);

}  // namespace lumetra
