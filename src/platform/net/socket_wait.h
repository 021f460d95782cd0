#pragma once

#include <chrono>
#include <span>

#include "platform/net/tcp_connection.h"

namespace lumetra::platform {

// Lets another thread end a wait for sockets at once.
class Wakeup {
 public:
  Wakeup();
  ~Wakeup();
  Wakeup(const Wakeup&) = delete;
  Wakeup& operator=(const Wakeup&) = delete;

  void signal();

 private:
  friend class SocketWait;
  int descriptor_;  // an eventfd
};

// A connection and what it is waited for: writing (a connect under way,
// bytes to send) or else reading (an answer, the printer's end). Errors
// and the printer's end always end the wait.
struct SocketInterest {
  const TcpConnection* connection = nullptr;
  bool toWrite = false;
};

class SocketWait {
 public:
  // Waits until one of the connections is ready for what it is waited for,
  // the wakeup is signalled (which this clears), or `timeout` has passed.
  static void wait(std::span<const SocketInterest> interests, Wakeup& wakeup, std::chrono::milliseconds timeout);
};

}  // namespace lumetra::platform
