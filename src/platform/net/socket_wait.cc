#include "platform/net/socket_wait.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace lumetra::platform {

Wakeup::Wakeup() : descriptor_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
  if (descriptor_ < 0) throw std::runtime_error("no eventfd for the delivery thread");
}

Wakeup::~Wakeup() { ::close(descriptor_); }

void Wakeup::signal() {
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = ::write(descriptor_, &one, sizeof one);
}

void SocketWait::wait(std::span<const SocketInterest> interests, Wakeup& wakeup, std::chrono::milliseconds timeout) {
  std::vector<pollfd> watched;
  watched.reserve(interests.size() + 1);
  watched.push_back({wakeup.descriptor_, POLLIN, 0});
  for (const SocketInterest& interest : interests) {
    if (!interest.connection || !interest.connection->isOpen()) continue;
    const short events = interest.toWrite ? POLLOUT | POLLRDHUP : POLLIN | POLLRDHUP;
    watched.push_back({interest.connection->descriptor_, events, 0});
  }
  const int milliseconds = static_cast<int>(std::clamp<long long>(timeout.count(), 0, 24 * 3600 * 1000));
  if (::poll(watched.data(), watched.size(), milliseconds) > 0 && watched[0].revents != 0) {
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t read = ::read(wakeup.descriptor_, &count, sizeof count);
  }
}

}  // namespace lumetra::platform
