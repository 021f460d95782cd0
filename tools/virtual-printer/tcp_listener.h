#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "receipt_folder.h"

namespace lumetra::virtual_printer {

struct ListenAddress {
  std::string host = "127.0.0.1";
  std::uint16_t port = 9100;
};

// Serves printer connections the way a network receipt printer does on port
// 9100: any number at once, each its own stream, until `stopFd` becomes
// readable; then the open streams are finished. `listening` runs once the
// socket accepts connections. Returns false (with `error` set) when the
// address cannot be listened on.
bool servePrinterConnections(const ListenAddress& address, ReceiptFolder& folder, int paperDots, int stopFd,
                             const std::function<void()>& listening, std::string& error);

}  // namespace lumetra::virtual_printer
