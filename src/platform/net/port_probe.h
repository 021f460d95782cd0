#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <unordered_map>
#include <vector>

namespace lumetra::platform {

enum class ProbeStart {
  started,         // in flight, or already connected (reported by the next collect)
  outOfResources,  // no descriptor, memory or local port for another socket just now
  failed,          // this address cannot be tried (no route, say); it is never reported
};

// Raises the soft limit on this process's descriptors towards `wanted`,
// never above the hard limit, and returns the soft limit it then has.
std::size_t raiseDescriptorLimit(std::size_t wanted);

// Whether this process may make IPv4 TCP sockets at all: a sandbox or a kernel
// without IPv4 forbids them. A passing lack of descriptors or memory does not
// count as forbidden.
bool ipv4StreamSocketsAllowed();

// TCP connection attempts to one port of many IPv4 hosts at once, multiplexed
// with epoll on the calling thread. Nothing is ever written: a connection
// that completes is closed at once, one that has not completed when its time
// is up is abandoned. Every socket is closed by the time the object goes.
class PortProbes {
 public:
  using Clock = std::chrono::steady_clock;

  PortProbes(std::uint16_t port, std::chrono::milliseconds timeout);
  ~PortProbes();
  PortProbes(const PortProbes&) = delete;
  PortProbes& operator=(const PortProbes&) = delete;

  // False when the multiplexer could not be created: nothing can start then.
  bool opened() const { return epoll_ >= 0; }

  // Starts a connection attempt to `address` (host byte order).
  ProbeStart start(std::uint32_t address);

  // Attempts started and not yet ended.
  std::size_t inFlight() const { return probes_.size(); }

  // Waits until at least one attempt in flight ends (connects, fails or runs
  // out of time), or until `notAfter`, and returns the addresses that
  // connected, in completion order. Returns at once when some connected on
  // start, and when none is in flight and no end of the wait is given.
  std::vector<std::uint32_t> collectEnded(Clock::time_point notAfter = Clock::time_point::max());

 private:
  struct Probe {
    int socket;
    std::uint32_t address;
    Clock::time_point deadline;
  };

  int millisecondsToWait(Clock::time_point notAfter);
  void endProbe(std::uint64_t id);
  void abandonExpired();

  const std::uint16_t port_;
  const std::chrono::milliseconds timeout_;
  int epoll_;
  std::uint64_t nextId_ = 0;
  std::unordered_map<std::uint64_t, Probe> probes_;
  // Ids in start order: with one timeout for all, the front has the earliest
  // deadline. Ids of probes that already ended are dropped lazily.
  std::deque<std::uint64_t> startOrder_;
  std::vector<std::uint32_t> connectedOnStart_;
};

}  // namespace lumetra::platform
