#include "platform/net/tcp_connection.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <utility>

namespace lumetra::platform {

Ipv4Endpoint ipv4Endpoint(std::string_view dottedAddress, std::uint16_t port) {
  const std::string text(dottedAddress);
  return Ipv4Endpoint{static_cast<std::uint32_t>(inet_addr(text.c_str())), htons(port)};
}

TcpConnection::~TcpConnection() { close(); }

TcpConnection::TcpConnection(TcpConnection&& other) noexcept
    : descriptor_(std::exchange(other.descriptor_, -1)) {}

TcpConnection& TcpConnection::operator=(TcpConnection&& other) noexcept {
  if (this != &other) {
    close();
    descriptor_ = std::exchange(other.descriptor_, -1);
  }
  return *this;
}

TcpConnection TcpConnection::create() {
  // Close-on-exec: helper processes started from the web process must not
  // keep a printer's connection open after it has been closed here.
  return TcpConnection(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP));
}

bool TcpConnection::setNonBlocking() {
  if (!isOpen()) return false;
  const int flags = ::fcntl(descriptor_, F_GETFL);
  return flags >= 0 && ::fcntl(descriptor_, F_SETFL, flags | O_NONBLOCK) == 0;
}

ConnectOutcome TcpConnection::connect(const Ipv4Endpoint& endpoint, std::chrono::milliseconds wait) {
  if (!isOpen()) return ConnectOutcome::failed;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = endpoint.port;
  address.sin_addr.s_addr = endpoint.address;
  if (::connect(descriptor_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
    return ConnectOutcome::connected;
  }
  // A refusal can come back at once here (loopback does); only a connection
  // still under way is worth the wait.
  if (errno != EINPROGRESS && errno != EINTR) return ConnectOutcome::failed;
  if (!waitWritable(wait)) return ConnectOutcome::timedOut;
  return pendingError() == 0 ? ConnectOutcome::connected : ConnectOutcome::failed;
}

TcpConnection::PeerState TcpConnection::peerState() const {
  if (!isOpen()) return PeerState::lost;
  sockaddr_in peer{};
  socklen_t length = sizeof peer;
  if (::getpeername(descriptor_, reinterpret_cast<sockaddr*>(&peer), &length) != 0) return PeerState::lost;
  pollfd entry{descriptor_, POLLRDHUP, 0};
  const int ready = ::poll(&entry, 1, 0);
  if (ready < 0 || (ready > 0 && (entry.revents & (POLLHUP | POLLERR)) != 0)) return PeerState::lost;
  return ready > 0 && (entry.revents & POLLRDHUP) != 0 ? PeerState::finished : PeerState::open;
}

bool TcpConnection::send(std::string_view bytes, std::chrono::milliseconds stallLimit) {
  if (!isOpen()) return false;
  while (!bytes.empty()) {
    const ssize_t sent = ::send(descriptor_, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(sent));
      continue;
    }
    if (sent < 0 && errno == EINTR) continue;
    if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && waitWritable(stallLimit)) continue;
    close();
    return false;
  }
  return true;
}

bool TcpConnection::waitWritable(std::chrono::milliseconds wait) const {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + wait;
  for (;;) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    pollfd entry{descriptor_, POLLOUT, 0};
    const int ready = ::poll(&entry, 1, static_cast<int>(std::max<long long>(left.count(), 0)));
    if (ready > 0) return true;
    if (ready == 0 || errno != EINTR) return false;
  }
}

void TcpConnection::endSending() {
  if (isOpen()) ::shutdown(descriptor_, SHUT_WR);
}

TcpConnection::PeerState TcpConnection::awaitPeerEnd(std::chrono::steady_clock::time_point deadline) {
  using Clock = std::chrono::steady_clock;
  char discarded[512];
  while (isOpen()) {
    const ssize_t count = ::recv(descriptor_, discarded, sizeof discarded, MSG_DONTWAIT);
    // A reset that follows the printer's end is not reported by recv.
    if (count == 0) return pendingError() == 0 ? PeerState::finished : PeerState::lost;
    if (count > 0 || errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return PeerState::lost;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return PeerState::open;
    pollfd entry{descriptor_, POLLIN, 0};
    ::poll(&entry, 1, static_cast<int>(left.count()));
  }
  return PeerState::lost;
}

bool TcpConnection::sentBytesUnanswered() const {
  if (!isOpen()) return true;
  tcp_info info{};
  socklen_t length = sizeof info;
  if (::getsockopt(descriptor_, IPPROTO_TCP, TCP_INFO, &info, &length) != 0) return true;
  return info.tcpi_unacked > 0 && info.tcpi_retransmits > 0;
}

int TcpConnection::pendingError() const {
  int error = 0;
  socklen_t length = sizeof error;
  if (::getsockopt(descriptor_, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return errno;
  return error;
}

void TcpConnection::close() {
  if (isOpen()) ::close(std::exchange(descriptor_, -1));
}

}  // namespace lumetra::platform
