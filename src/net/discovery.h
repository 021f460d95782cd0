#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/desktop/dialogs.h"

namespace lumetra {

// The dotted IPv4 addresses of the hosts on the machine's
// local subnets that accept a TCP connection on port 9100 within 3 seconds,
// in the order their connections completed (an empty array when there are
// none or the machine has no address worth scanning). Nullopt, after a
// message box, when the scan cannot start. Blocks for the whole scan: about
// 3 seconds per 256 addresses. Takes no lock.
std::optional<std::vector<std::string>> discoverNetworkPrinters(platform::Dialogs& dialogs);

}  // namespace lumetra
