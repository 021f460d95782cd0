#include "support/fake_network_printer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <utility>

namespace lumetra::test {
namespace {

// Long enough for any loaded machine; reached only when the code under test
// never delivers, and then the test fails on what it got.
constexpr std::chrono::seconds kHangGuard{30};
// A reset over loopback comes back at once;
// the wait bounds only a connection that never resets.
constexpr int kResetWait = 5000;  // milliseconds

[[noreturn]] void fail(const std::string& what) { throw std::runtime_error(what + ": " + std::strerror(errno)); }

sockaddr_in socketAddress(const std::string& address, std::uint16_t port) {
  sockaddr_in socketAddress{};
  socketAddress.sin_family = AF_INET;
  socketAddress.sin_port = htons(port);
  if (inet_pton(AF_INET, address.c_str(), &socketAddress.sin_addr) != 1) {
    throw std::runtime_error("not an IPv4 address: " + address);
  }
  return socketAddress;
}

int listenOn(const std::string& address, std::uint16_t port, int backlog, std::size_t receiveBuffer = 0) {
  const int descriptor = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (descriptor < 0) fail("socket");
  const int on = 1;
  ::setsockopt(descriptor, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  // Accepted connections take the listener's buffer size.
  const int buffer = static_cast<int>(receiveBuffer);
  if (buffer > 0) ::setsockopt(descriptor, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
  const sockaddr_in local = socketAddress(address, port);
  if (::bind(descriptor, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
      ::listen(descriptor, backlog) != 0) {
    const int error = errno;
    ::close(descriptor);
    errno = error;
    fail("listen on " + address + ":" + std::to_string(port));
  }
  return descriptor;
}

// Takes the one place in the accept queue of a backlog-0 listener, so that
// further connection requests go unanswered. The shell may have taken it
// first (its requests race this one): the queue is full all the same, and
// that connection is taken up when the printer answers again
// (takeQueuedConnections). Hence the wait for this connection to complete
// is short and its end not checked.
int fillAcceptQueue(const std::string& address, std::uint16_t port) {
  const int filler = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (filler < 0) fail("socket");
  const sockaddr_in remote = socketAddress(address, port);
  if (::connect(filler, reinterpret_cast<const sockaddr*>(&remote), sizeof remote) != 0 && errno != EINPROGRESS) {
    const int error = errno;
    ::close(filler);
    errno = error;
    fail("filling the accept queue of " + address);
  }
  pollfd completion{filler, POLLOUT, 0};
  ::poll(&completion, 1, 1000);
  return filler;
}

}  // namespace

constexpr std::string_view kStatusRequest{"\x10\x04\x01", 3};

// Accepts enough waiting connections for every slot and task of a run.
constexpr int kPrinterBacklog = 16;

FakeNetworkPrinter::FakeNetworkPrinter(std::string address, std::uint16_t port, std::size_t receiveBuffer)
    : address_(std::move(address)), port_(port), receiveBuffer_(receiveBuffer) {
  listener_ = listenOn(address_, port_, kPrinterBacklog, receiveBuffer_);
  wakeup_ = ::eventfd(0, EFD_CLOEXEC);
  if (wakeup_ < 0) fail("eventfd");
  thread_ = std::thread([this] { serve(); });
}

FakeNetworkPrinter::~FakeNetworkPrinter() {
  request(Request::quit);
  thread_.join();
  for (Connection& connection : connections_) {
    if (!connection.closed) ::close(connection.descriptor);
  }
  if (listener_ >= 0) ::close(listener_);
  if (queueFiller_ >= 0) ::close(queueFiller_);
  if (unanswered_ >= 0) ::close(unanswered_);
  ::close(wakeup_);
}

std::string FakeNetworkPrinter::received() const {
  std::lock_guard lock(mutex_);
  std::string all;
  for (const Connection& connection : connections_) all += connection.bytes;
  return all;
}

std::string FakeNetworkPrinter::waitForBytes(std::size_t count) const {
  waitUntil([&] {
    std::size_t total = 0;
    for (const Connection& connection : connections_) total += connection.bytes.size();
    return total >= count;
  });
  return received();
}

std::string FakeNetworkPrinter::waitForText(const std::string& text) const {
  // Closed connections searched once are not searched again: a printer
  // may have thousands.
  std::size_t searchedClosed = 0;
  waitUntil([&] {
    for (std::size_t i = searchedClosed; i < connections_.size(); ++i) {
      if (connections_[i].bytes.find(text) != std::string::npos) return true;
      if (i == searchedClosed && connections_[i].closed) ++searchedClosed;
    }
    return false;
  });
  return received();
}

std::vector<std::string> FakeNetworkPrinter::waitForClosedConnections(std::size_t count) const {
  return streamsOnce([](const Connection& connection) { return connection.closed; }, count);
}

std::vector<std::string> FakeNetworkPrinter::waitForEndsOfSending(std::size_t count) const {
  return streamsOnce([](const Connection& connection) { return connection.endedBySender; }, count);
}

std::vector<std::string> FakeNetworkPrinter::streamsOnce(const std::function<bool(const Connection&)>& counted,
                                                         std::size_t count) const {
  waitUntil([&] { return static_cast<std::size_t>(std::ranges::count_if(connections_, counted)) >= count; });
  std::lock_guard lock(mutex_);
  std::vector<std::string> streams;
  for (const Connection& connection : connections_) streams.push_back(connection.bytes);
  return streams;
}

std::string FakeNetworkPrinter::deviceUri() const { return "socket://" + address_ + ":" + std::to_string(port_); }

std::string FakeNetworkPrinter::job(std::size_t number) const {
  const std::vector<std::string> streams = waitForClosedConnections(number);
  return number >= 1 && number <= streams.size() ? streams[number - 1] : std::string();
}

std::size_t FakeNetworkPrinter::waitForConnections(std::size_t count) const {
  waitUntil([&] { return connections_.size() >= count; });
  std::lock_guard lock(mutex_);
  return connections_.size();
}

std::vector<FakeNetworkPrinter::ConnectionRecord> FakeNetworkPrinter::connectionRecords() const {
  std::lock_guard lock(mutex_);
  std::vector<ConnectionRecord> records;
  for (const Connection& connection : connections_) records.push_back({connection.bytes, connection.endedByPrinter});
  return records;
}

void FakeNetworkPrinter::dropConnections() { request(Request::drop); }

void FakeNetworkPrinter::resetConnections() { request(Request::reset); }

void FakeNetworkPrinter::cutPower() { request(Request::cutPower); }

void FakeNetworkPrinter::resetMidTicket(std::size_t afterBytes) {
  {
    std::lock_guard lock(mutex_);
    requestedResetAfter_ = afterBytes;
  }
  request(Request::armReset);
}

void FakeNetworkPrinter::stopAnswering() { request(Request::stopAnswering); }

void FakeNetworkPrinter::answerAgain() { request(Request::answerAgain); }

void FakeNetworkPrinter::stopReading() { request(Request::stopReading); }

void FakeNetworkPrinter::resumeReading() { request(Request::resumeReading); }

void FakeNetworkPrinter::readSlowly(std::size_t bytes, std::chrono::milliseconds pause) {
  {
    std::lock_guard lock(mutex_);
    requestedReadSize_ = bytes;
    requestedPause_ = pause;
  }
  request(Request::readSlowly);
}

void FakeNetworkPrinter::keepConnectionsOpen() { request(Request::keepOpen); }

std::size_t FakeNetworkPrinter::keptConnectionsClosedBySender() {
  request(Request::probeKept);
  std::lock_guard lock(mutex_);
  return closedBySender_;
}

void FakeNetworkPrinter::switchOff() { request(Request::switchOff); }

void FakeNetworkPrinter::switchOn() { request(Request::switchOn); }

void FakeNetworkPrinter::request(Request what) {
  std::unique_lock lock(mutex_);
  pending_ = what;
  const std::uint64_t one = 1;
  if (::write(wakeup_, &one, sizeof one) != sizeof one) fail("eventfd write");
  if (what != Request::quit) changed_.wait(lock, [&] { return pending_ == Request::none; });
}

bool FakeNetworkPrinter::waitUntil(const std::function<bool()>& done) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, kHangGuard, done);
}

void FakeNetworkPrinter::serve() {
  for (;;) {
    // poll passes over a closed listener (-1).
    watched_.assign({{listener_, POLLIN, 0}, {wakeup_, POLLIN, 0}});
    watchedConnections_.clear();
    for (std::size_t i = 0; reading_ && i < connections_.size(); ++i) {
      if (connections_[i].closed || connections_[i].endedBySender) continue;
      watched_.push_back({connections_[i].descriptor, POLLIN, 0});
      watchedConnections_.push_back(i);
    }
    if (::poll(watched_.data(), watched_.size(), -1) < 0) continue;
    if (watched_[1].revents != 0) {
      std::uint64_t count = 0;
      if (::read(wakeup_, &count, sizeof count) == sizeof count && !handleRequest()) return;
      continue;
    }
    if (listener_ >= 0 && watched_[0].revents != 0) acceptConnection();
    for (std::size_t k = 0; k < watchedConnections_.size(); ++k) {
      if (watched_[k + 2].revents != 0) readFrom(connections_[watchedConnections_[k]]);
    }
  }
}

void FakeNetworkPrinter::acceptConnection() {
  const int descriptor = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
  if (descriptor >= 0) keepConnection(descriptor);
}

void FakeNetworkPrinter::keepConnection(int descriptor) {
  std::lock_guard lock(mutex_);
  connections_.push_back(Connection{descriptor, {}, false});
  changed_.notify_all();
}

// A connection request that won the accept queue's one place from the
// filler was completed by the kernel, which acknowledges what the sender
// sends (and its keep-alive probes) as any printer's would: the sender has
// every reason to count its ticket as taken. A printer that answers again
// takes such a connection up and reads it, rather than dropping bytes its
// stack acknowledged, which no sender could ever notice.
void FakeNetworkPrinter::takeQueuedConnections() {
  sockaddr_in filler{};
  socklen_t fillerLength = sizeof filler;
  const bool fillerKnown = ::getsockname(queueFiller_, reinterpret_cast<sockaddr*>(&filler), &fillerLength) == 0;
  for (pollfd waiting{unanswered_, POLLIN, 0}; ::poll(&waiting, 1, 0) > 0 && waiting.revents != 0;) {
    sockaddr_in peer{};
    socklen_t peerLength = sizeof peer;
    const int descriptor = ::accept4(unanswered_, reinterpret_cast<sockaddr*>(&peer), &peerLength, SOCK_CLOEXEC);
    if (descriptor < 0) return;
    if (fillerKnown && peer.sin_port == filler.sin_port && peer.sin_addr.s_addr == filler.sin_addr.s_addr) {
      ::close(descriptor);
    } else {
      keepConnection(descriptor);
    }
  }
}

void FakeNetworkPrinter::readFrom(Connection& connection) {
  char buffer[65536];
  std::size_t wanted = std::min(readSize_, sizeof buffer);
  if (resetAfter_ > 0) wanted = std::min(resetAfter_, wanted);
  const ssize_t count = ::read(connection.descriptor, buffer, wanted);
  if (count < 0 && errno == EINTR) return;
  if (count == 0) return senderEnded(connection);
  if (count < 0) return closeConnection(connection);
  {
    std::lock_guard lock(mutex_);
    connection.bytes.append(buffer, static_cast<std::size_t>(count));
    changed_.notify_all();
  }
  if (resetAfter_ > 0 && (resetAfter_ -= static_cast<std::size_t>(count)) == 0) resetConnection(connection);
  std::this_thread::sleep_for(pause_);
}

void FakeNetworkPrinter::takeWhatArrived(Connection& connection) {
  char buffer[65536];
  for (;;) {
    const ssize_t count = ::recv(connection.descriptor, buffer, sizeof buffer, MSG_DONTWAIT);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return;
    std::lock_guard lock(mutex_);
    connection.bytes.append(buffer, static_cast<std::size_t>(count));
  }
}

void FakeNetworkPrinter::senderEnded(Connection& connection) {
  {
    std::lock_guard lock(mutex_);
    connection.endedBySender = true;
    changed_.notify_all();
  }
  if (!keepOpen_) closeConnection(connection);
}

std::size_t FakeNetworkPrinter::probeKeptConnections() {
  std::size_t closedBySender = 0;
  for (Connection& connection : connections_) {
    if (connection.closed || !connection.endedBySender) continue;
    const char probe = '\0';
    if (::send(connection.descriptor, &probe, 1, MSG_NOSIGNAL) != 1) continue;
    // A connection only half ended takes the byte and answers nothing.
    pollfd entry{connection.descriptor, 0, 0};
    if (::poll(&entry, 1, kResetWait) > 0 && (entry.revents & (POLLERR | POLLHUP)) != 0) ++closedBySender;
    closeConnection(connection);
  }
  return closedBySender;
}

void FakeNetworkPrinter::closeConnection(Connection& connection) {
  ::close(connection.descriptor);
  std::lock_guard lock(mutex_);
  connection.closed = true;
  changed_.notify_all();
}

void FakeNetworkPrinter::resetOpenConnections() {
  for (Connection& connection : connections_) {
    if (!connection.closed) resetConnection(connection);
  }
}

void FakeNetworkPrinter::resetConnection(Connection& connection) {
  // Closing with a zero linger time resets the connection and throws away
  // whatever it had not read.
  const linger abort{1, 0};
  ::setsockopt(connection.descriptor, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
  {
    std::lock_guard lock(mutex_);
    connection.endedByPrinter = true;
  }
  closeConnection(connection);
}

bool FakeNetworkPrinter::handleRequest() {
  Request what;
  {
    std::lock_guard lock(mutex_);
    what = pending_;
  }
  if (what == Request::quit) return false;
  if (what == Request::drop || what == Request::switchOff) {
    for (Connection& connection : connections_) {
      if (connection.closed) continue;
      if (what == Request::switchOff) takeWhatArrived(connection);
      {
        std::lock_guard lock(mutex_);
        connection.endedByPrinter = true;
      }
      closeConnection(connection);
    }
  }
  if (what == Request::reset || what == Request::cutPower) resetOpenConnections();
  if (what == Request::readSlowly) {
    std::lock_guard lock(mutex_);
    readSize_ = requestedReadSize_;
    pause_ = requestedPause_;
  }
  if (what == Request::keepOpen) keepOpen_ = true;
  if (what == Request::probeKept) {
    const std::size_t closedBySender = probeKeptConnections();
    std::lock_guard lock(mutex_);
    closedBySender_ = closedBySender;
  }
  if (what == Request::armReset) {
    std::lock_guard lock(mutex_);
    resetAfter_ = requestedResetAfter_;
  }
  if ((what == Request::switchOff || what == Request::cutPower) && listener_ >= 0) {
    ::close(std::exchange(listener_, -1));
    reading_ = true;  // it reads again once switched on
  }
  if (what == Request::stopAnswering && unanswered_ < 0) {
    if (listener_ >= 0) ::close(std::exchange(listener_, -1));
    unanswered_ = listenOn(address_, port_, 0);
    queueFiller_ = fillAcceptQueue(address_, port_);
  }
  if (what == Request::answerAgain && unanswered_ >= 0) {
    takeQueuedConnections();
    ::close(std::exchange(queueFiller_, -1));
    ::close(std::exchange(unanswered_, -1));
    listener_ = listenOn(address_, port_, kPrinterBacklog, receiveBuffer_);
  }
  if (what == Request::stopReading) reading_ = false;
  if (what == Request::resumeReading) reading_ = true;
  if (what == Request::switchOn && listener_ < 0 && unanswered_ < 0) {
    listener_ = listenOn(address_, port_, kPrinterBacklog, receiveBuffer_);
  }
  std::lock_guard lock(mutex_);
  pending_ = Request::none;
  changed_.notify_all();
  return true;
}

UnansweredListener::UnansweredListener(const std::string& address, std::uint16_t port) {
  listener_ = listenOn(address, port, 0);
  queued_ = fillAcceptQueue(address, port);
}

UnansweredListener::~UnansweredListener() {
  ::close(queued_);
  ::close(listener_);
}

std::string withoutStatusRequest(std::string bytes) {
  if (bytes.starts_with(kStatusRequest)) bytes.erase(0, kStatusRequest.size());
  return bytes;
}

std::vector<std::string> withoutStatusRequests(std::vector<std::string> connections) {
  for (std::string& bytes : connections) bytes = withoutStatusRequest(std::move(bytes));
  return connections;
}

std::size_t openDescriptorCount() {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
  return count;
}

}  // namespace lumetra::test
