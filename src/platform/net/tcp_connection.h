#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
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
// The address of an endpoint read from text that is no IPv4 address.
inline constexpr std::uint32_t kNoIpv4Address = 0xFFFFFFFF;
// The endpoint's address in the dotted form inet_ntoa writes.
std::string dottedAddress(const Ipv4Endpoint& endpoint);

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

  // The same without waiting: a connection under way has completed when the
  // socket turns writable, and connectError() then tells how.
  enum class ConnectStart { connected, underWay, failed };
  ConnectStart startConnect(const Ipv4Endpoint& endpoint, int& error);
  // After a connection under way has ended: 0 when it is made, else the
  // reason (ECONNREFUSED, EHOSTUNREACH, ...). Reading it clears it.
  int connectError() const { return pendingError(); }

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

  // Hands the system as many of `bytes` as it takes now, never waiting:
  // how many it took, or nothing when the connection has failed (`error`
  // tells why). A printer that has gone away never raises SIGPIPE.
  std::optional<std::size_t> sendAvailable(std::string_view bytes, int& error);
  // Reads what the printer has sent back (status bytes) without waiting,
  // adding it to `answers` when given: open while nothing more has come,
  // finished once it has ended its side in order, lost on a reset or
  // another error.
  PeerState drainPeer(std::string* answers = nullptr);
  // Bytes sent, and the end of sending, that the printer has not
  // acknowledged yet; nothing when the system cannot tell.
  std::optional<std::size_t> unacknowledgedBytes() const;
  // How long ago the printer last acknowledged anything (a byte, the end
  // of sending, a keep-alive probe); nothing when the system cannot tell.
  std::optional<std::chrono::milliseconds> sinceLastAcknowledgement() const;
  // Lets the system end the connection when the printer answers nothing for
  // about `limit`, also while no byte is under way: keep-alive probes while
  // idle, and a bound on unanswered bytes and on a window that stays shut
  // with nobody acknowledging the probes. A printer that is only busy keeps
  // answering them.
  void endWhenSilent(std::chrono::seconds limit);

  // Tells the printer that everything has come (ends our sending side).
  void endSending();
  void close();

 private:
  friend class SocketWait;
  explicit TcpConnection(int descriptor) : descriptor_(descriptor) {}
  // Waits until the socket is writable or has an error; false on timeout.
  bool waitWritable(std::chrono::milliseconds wait) const;
  // The socket's pending error (0: none), which reading it clears.
  int pendingError() const;

  int descriptor_ = -1;
};

}  // namespace lumetra::platform
