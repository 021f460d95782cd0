#pragma once

#include <chrono>
#include <span>
#include <vector>

#include "platform/net/tcp_connection.h"

namespace lumetra {

// The end of a print run on several connections at once: each printer is
// told that everything has come, and its orderly close awaited, within
// `wait` for all. True for each connection whose printer may not have taken
// every byte: it had ended or reset the connection on its own before, it
// resets it now, the connection is gone, or it stopped answering altogether.
// A printer still there and answering at the end of the wait took the bytes
// as far as anyone can tell.
std::vector<bool> finishSending(std::span<platform::TcpConnection* const> connections, std::chrono::milliseconds wait);

}  // namespace lumetra
