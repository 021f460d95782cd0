#pragma once

#include <chrono>
#include <cstdint>
#include <string_view>
#include <vector>

namespace lumetra::platform {

// An IPv4 address and port, both in network byte order, as a printer's
// socket address holds them.
struct Ipv4Endpoint {
  std::uint32_t address = 0;
  std::uint16_t port = 0;
};

// `dottedAddress` (ANSI text such as "192.168.1.20") read the way inet_addr
// reads it, and `port`. Text that is no address gives 255.255.255.255,
// which no printer answers on, so the failure shows up at connect.
Ipv4Endpoint ipv4Endpoint(std::string_view dottedAddress, std::uint16_t port);

enum class ConnectOutcome {
  connected,
  timedOut,  // no answer within the wait
  failed,    // refused, unreachable, or any other socket error
};

// One TCP socket to a printer. It owns its descriptor: moving hands it on,
// destruction and close() release it. A connection with no descriptor
// ("none") fails every operation at once.
class TcpConnection {
 public:
  TcpConnection() = default;
  ~TcpConnection();
  TcpConnection(TcpConnection&& other) noexcept;
  TcpConnection& operator=(TcpConnection&& other) noexcept;
  TcpConnection(const TcpConnection&) = delete;
  TcpConnection& operator=(const TcpConnection&) = delete;

  // A fresh, unconnected TCP socket; none when the system refuses one.
  static TcpConnection create();

  bool isOpen() const { return descriptor_ >= 0; }
  bool setNonBlocking();

  // Connects a non-blocking socket, waiting at most `wait` for the printer
  // to answer; a connection that completed with an error is a failure.
  ConnectOutcome connect(const Ipv4Endpoint& endpoint, std::chrono::milliseconds wait);

  // What the printer has done with the connection so far; never waits.
  // Printers drop idle connections, and bytes written into a half-closed
  // one are lost without an error.
  enum class PeerState {
    open,      // connected, and the printer has not ended its side
    finished,  // the printer ended its side in order (bytes it had not read yet get a reset)
    lost,      // reset, never connected, or no descriptor
  };
  PeerState peerState() const;
  bool isConnected() const { return peerState() == PeerState::open; }

  // Sends every byte. While the printer's buffer is full it waits for room,
  // giving up when the printer has taken nothing for `stallLimit`. A printer
  // that has gone away never raises SIGPIPE. On failure the connection is
  // closed, so a dead printer costs one wait, not one per command.
  bool send(std::string_view bytes, std::chrono::milliseconds stallLimit);

  // Tells the printer that everything has come (ends our sending side).
  void endSending();
  // After endSending: waits until `deadline` for the printer to end its
  // side too, discarding what it sends back (status bytes). finished: it
  // took every byte; lost: it reset the connection, so bytes may not have
  // been taken; open: still there at the deadline.
  PeerState awaitPeerEnd(std::chrono::steady_clock::time_point deadline);

  // Whether bytes sent are still unacknowledged after the system has timed
  // out waiting for them and sent them again: the printer answers nothing
  // at all, as when it lost power or its cable. A printer that is only busy
  // still acknowledges (a full buffer stops sending, not acknowledging).
  bool sentBytesUnanswered() const;

  void close();

 private:
  explicit TcpConnection(int descriptor) : descriptor_(descriptor) {}
  // Waits until the socket is writable or has an error; false on timeout.
  bool waitWritable(std::chrono::milliseconds wait) const;
  // The socket's pending error (0: none), which reading it clears.
  int pendingError() const;

  int descriptor_ = -1;
};

}  // namespace lumetra::platform
