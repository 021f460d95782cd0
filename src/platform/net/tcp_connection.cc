#include "platform/net/tcp_connection.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
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

std::string dottedAddress(const Ipv4Endpoint& endpoint) {
  char text[INET_ADDRSTRLEN] = {};
  in_addr address{};
  address.s_addr = endpoint.address;
  ::inet_ntop(AF_INET, &address, text, sizeof text);
  return text;
}

TcpConnection::~TcpConnection() { close(); }

TcpConnection::TcpConnection(TcpConnection&& other) noexcept : descriptor_(std::exchange(other.descriptor_, -1)) {}

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
  int error = 0;
  switch (startConnect(endpoint, error)) {
    case ConnectStart::connected:
      return ConnectOutcome::connected;
    case ConnectStart::failed:
      return ConnectOutcome::failed;
    case ConnectStart::underWay:
      break;
  }
  if (!waitWritable(wait)) return ConnectOutcome::timedOut;
  return pendingError() == 0 ? ConnectOutcome::connected : ConnectOutcome::failed;
}

TcpConnection::ConnectStart TcpConnection::startConnect(const Ipv4Endpoint& endpoint, int& error) {
  error = EBADF;
  if (!isOpen()) return ConnectStart::failed;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = endpoint.port;
  address.sin_addr.s_addr = endpoint.address;
  if (::connect(descriptor_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
    return ConnectStart::connected;
  }
  // A refusal can come back at once here (loopback does); only a connection
  // still under way is worth a wait.
  error = errno;
  return error == EINPROGRESS || error == EINTR ? ConnectStart::underWay : ConnectStart::failed;
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

std::optional<std::size_t> TcpConnection::sendAvailable(std::string_view bytes, int& error) {
  error = EBADF;
  if (!isOpen()) return std::nullopt;
  for (;;) {
    const ssize_t sent = ::send(descriptor_, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent >= 0) return static_cast<std::size_t>(sent);
    error = errno;
    if (error == EAGAIN || error == EWOULDBLOCK) return 0;
    if (error != EINTR) return std::nullopt;
  }
}

TcpConnection::PeerState TcpConnection::drainPeer(std::string* answers) {
  char received[512];
  while (isOpen()) {
    const ssize_t count = ::recv(descriptor_, received, sizeof received, MSG_DONTWAIT);
    if (count > 0 && answers) answers->append(received, static_cast<std::size_t>(count));
    if (count > 0 || (count < 0 && errno == EINTR)) continue;
    if (count == 0) return pendingError() == 0 ? PeerState::finished : PeerState::lost;
    return errno == EAGAIN || errno == EWOULDBLOCK ? PeerState::open : PeerState::lost;
  }
  return PeerState::lost;
}

std::optional<std::size_t> TcpConnection::unacknowledgedBytes() const {
  int count = 0;
  if (!isOpen() || ::ioctl(descriptor_, SIOCOUTQ, &count) != 0 || count < 0) return std::nullopt;
  return static_cast<std::size_t>(count);
}

std::optional<std::chrono::milliseconds> TcpConnection::sinceLastAcknowledgement() const {
  tcp_info info{};
  socklen_t length = sizeof info;
  if (!isOpen() || ::getsockopt(descriptor_, IPPROTO_TCP, TCP_INFO, &info, &length) != 0) return std::nullopt;
  return std::chrono::milliseconds(info.tcpi_last_ack_recv);
}

void TcpConnection::endWhenSilent(std::chrono::seconds limit) {
  if (!isOpen()) return;
  const int on = 1;
  const int probeEvery = 1;  // seconds: a probe is one small segment
  const int probes = std::max(1, static_cast<int>(limit.count()));
  const unsigned int milliseconds = static_cast<unsigned int>(limit.count()) * 1000;
  ::setsockopt(descriptor_, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
  ::setsockopt(descriptor_, IPPROTO_TCP, TCP_KEEPIDLE, &probeEvery, sizeof probeEvery);
  ::setsockopt(descriptor_, IPPROTO_TCP, TCP_KEEPINTVL, &probeEvery, sizeof probeEvery);
  ::setsockopt(descriptor_, IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes);
  ::setsockopt(descriptor_, IPPROTO_TCP, TCP_USER_TIMEOUT, &milliseconds, sizeof milliseconds);
}

void TcpConnection::endSending() {
  if (isOpen()) ::shutdown(descriptor_, SHUT_WR);
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
