#include "platform/net/port_probe.h"

#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>

namespace lumetra::platform {
namespace {

constexpr int kEventsPerWait = 64;

// Shortages that end when earlier sockets close; the caller may wait and retry.
bool isPassingShortage(int error) {
  return error == EMFILE || error == ENFILE || error == ENOBUFS || error == ENOMEM || error == EADDRNOTAVAIL ||
         error == EAGAIN;
}

int openStreamSocket() { return ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP); }

sockaddr_in socketAddress(std::uint32_t address, std::uint16_t port) {
  sockaddr_in target{};
  target.sin_family = AF_INET;
  target.sin_port = htons(port);
  target.sin_addr.s_addr = htonl(address);
  return target;
}

bool connectionSucceeded(int socket) {
  int error = 0;
  socklen_t length = sizeof error;
  return ::getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
}

// Closes its socket on every early return or exception, until released.
class ScopedSocket {
 public:
  explicit ScopedSocket(int socket) : socket_(socket) {}
  ~ScopedSocket() {
    if (socket_ >= 0) ::close(socket_);
  }
  ScopedSocket(const ScopedSocket&) = delete;
  ScopedSocket& operator=(const ScopedSocket&) = delete;

  int get() const { return socket_; }
  void release() { socket_ = -1; }

 private:
  int socket_;
};

}  // namespace

std::size_t raiseDescriptorLimit(std::size_t wanted) {
  rlimit limit{};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return 0;
  const rlim_t target = limit.rlim_max == RLIM_INFINITY ? wanted : std::min<rlim_t>(wanted, limit.rlim_max);
  if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < target) {
    const rlim_t before = limit.rlim_cur;
    limit.rlim_cur = target;
    if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) limit.rlim_cur = before;
  }
  return limit.rlim_cur == RLIM_INFINITY ? wanted : static_cast<std::size_t>(limit.rlim_cur);
}

bool ipv4StreamSocketsAllowed() {
  const int socket = openStreamSocket();
  if (socket < 0) return isPassingShortage(errno);
  ::close(socket);
  return true;
}

PortProbes::PortProbes(std::uint16_t port, std::chrono::milliseconds timeout)
    : port_(port), timeout_(timeout), epoll_(::epoll_create1(EPOLL_CLOEXEC)) {}

PortProbes::~PortProbes() {
  for (const auto& [id, probe] : probes_) ::close(probe.socket);
  if (epoll_ >= 0) ::close(epoll_);
}

ProbeStart PortProbes::start(std::uint32_t address) {
  ScopedSocket socket(openStreamSocket());
  if (socket.get() < 0) return isPassingShortage(errno) ? ProbeStart::outOfResources : ProbeStart::failed;
  const sockaddr_in target = socketAddress(address, port_);
  if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0) {
    connectedOnStart_.push_back(address);
    return ProbeStart::started;
  }
  if (errno != EINPROGRESS) return isPassingShortage(errno) ? ProbeStart::outOfResources : ProbeStart::failed;
  const std::uint64_t id = nextId_++;
  epoll_event interest{};
  interest.events = EPOLLOUT;
  interest.data.u64 = id;
  if (::epoll_ctl(epoll_, EPOLL_CTL_ADD, socket.get(), &interest) != 0) return ProbeStart::outOfResources;
  // The order entry goes first: an id there without a probe is skipped later,
  // while a probe without its order entry would never time out.
  startOrder_.push_back(id);
  probes_.emplace(id, Probe{socket.get(), address, Clock::now() + timeout_});
  socket.release();
  return ProbeStart::started;
}

std::vector<std::uint32_t> PortProbes::collectEnded(Clock::time_point notAfter) {
  std::vector<std::uint32_t> connected;
  connected.swap(connectedOnStart_);
  if (!connected.empty() || (probes_.empty() && notAfter == Clock::time_point::max())) return connected;
  std::array<epoll_event, kEventsPerWait> events;
  // Every event that is ready is taken before anything is abandoned: a
  // connection that completed in time counts even when it is read late.
  int timeout = millisecondsToWait(notAfter);
  int ready = 0;
  do {
    ready = ::epoll_wait(epoll_, events.data(), kEventsPerWait, timeout);
    for (int i = 0; i < ready; ++i) {
      // epoll_event is packed: its id must be copied out before it is passed
      // by reference.
      const std::uint64_t id = events[i].data.u64;
      const auto probe = probes_.find(id);
      if (probe == probes_.end()) continue;
      if (connectionSucceeded(probe->second.socket)) connected.push_back(probe->second.address);
      endProbe(probe->first);
    }
    timeout = 0;
  } while (ready == kEventsPerWait);
  abandonExpired();
  return connected;
}

int PortProbes::millisecondsToWait(Clock::time_point notAfter) {
  while (!startOrder_.empty() && !probes_.contains(startOrder_.front())) startOrder_.pop_front();
  if (!startOrder_.empty()) notAfter = std::min(notAfter, probes_.at(startOrder_.front()).deadline);
  const auto left = notAfter - Clock::now();
  if (left <= Clock::duration::zero()) return 0;
  // Rounded up, so the wait never ends before the deadline it waits for.
  return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
}

void PortProbes::endProbe(std::uint64_t id) {
  const auto probe = probes_.find(id);
  ::close(probe->second.socket);  // closing also drops it from the epoll set
  probes_.erase(probe);
}

void PortProbes::abandonExpired() {
  const Clock::time_point now = Clock::now();
  while (!startOrder_.empty()) {
    const auto probe = probes_.find(startOrder_.front());
    if (probe != probes_.end()) {
      if (probe->second.deadline > now) return;
      endProbe(probe->first);
    }
    startOrder_.pop_front();
  }
}

}  // namespace lumetra::platform
