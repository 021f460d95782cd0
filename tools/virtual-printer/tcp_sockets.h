#pragma once

#include <cstdint>
#include <string>

namespace lumetra::virtual_printer {

struct ListenAddress {
  std::string host = "127.0.0.1";
  std::uint16_t port = 9100;  // 0: any free port
};

// A non-blocking listening socket on `address`; -1 (with `error` set) when
// the address cannot be listened on. A `receiveBuffer` other than 0 bounds
// what the kernel takes for each connection before the sender has to wait,
// as a printer's small TCP window does.
int openListener(const ListenAddress& address, int receiveBuffer, std::string& error);
// "HOST:PORT" the socket is bound to (the port chosen for port 0).
std::string boundAddress(int fd);
// "connection from HOST:PORT".
std::string peerName(int fd);
// Closes a connection with a reset (RST), as a printer losing power does:
// the peer's next read or write fails at once.
void resetConnection(int fd);

}  // namespace lumetra::virtual_printer
