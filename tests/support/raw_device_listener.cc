#include "support/raw_device_listener.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace lumetra::test {
namespace {

// Waits for `fd` to become readable; false when the stop pipe fired first.
bool readableBeforeStop(int fd, int stopFd) {
  pollfd fds[2] = {{fd, POLLIN, 0}, {stopFd, POLLIN, 0}};
  while (::poll(fds, 2, -1) < 0) {
    if (errno != EINTR) return false;
  }
  return (fds[1].revents & POLLIN) == 0;
}

}  // namespace

RawDeviceListener::RawDeviceListener(const std::string& address, std::uint16_t port)
    : address_(address), port_(port) {
  listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const int on = 1;
  ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(port);
  if (::inet_pton(AF_INET, address.c_str(), &local.sin_addr) != 1 ||
      ::bind(listenFd_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 || ::listen(listenFd_, 8) != 0 ||
      ::pipe2(stopPipe_, O_CLOEXEC) != 0) {
    const std::string why = std::strerror(errno);
    ::close(listenFd_);
    throw std::runtime_error("cannot listen on " + address + ": " + why);
  }
  thread_ = std::thread(&RawDeviceListener::serve, this);
}

RawDeviceListener::~RawDeviceListener() {
  const char stop = 1;
  (void)!::write(stopPipe_[1], &stop, 1);
  thread_.join();
  ::close(listenFd_);
  ::close(stopPipe_[0]);
  ::close(stopPipe_[1]);
}

std::string RawDeviceListener::uri() const { return "socket://" + address_ + ":" + std::to_string(port_); }

std::optional<std::string> RawDeviceListener::nextJob(std::chrono::milliseconds bound) {
  std::unique_lock lock(mutex_);
  if (!jobArrived_.wait_for(lock, bound, [this] { return !jobs_.empty(); })) return std::nullopt;
  std::string job = std::move(jobs_.front());
  jobs_.pop_front();
  return job;
}

void RawDeviceListener::serve() {
  while (readableBeforeStop(listenFd_, stopPipe_[0])) {
    const int connection = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (connection < 0) continue;
    const bool goOn = receive(connection);
    ::close(connection);
    if (!goOn) return;
  }
}

bool RawDeviceListener::receive(int connection) {
  std::string job;
  char buffer[4096];
  while (readableBeforeStop(connection, stopPipe_[0])) {
    const ssize_t got = ::read(connection, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      std::lock_guard lock(mutex_);
      jobs_.push_back(std::move(job));
      jobArrived_.notify_all();
      return true;
    }
    job.append(buffer, static_cast<std::size_t>(got));
  }
  return false;
}

}  // namespace lumetra::test
