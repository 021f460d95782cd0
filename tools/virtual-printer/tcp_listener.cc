#include "tcp_listener.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "print_session.h"

namespace lumetra::virtual_printer {
namespace {

// More simultaneous connections than six kitchen slots and a few task
// connections can need; beyond it new ones wait in the backlog.
constexpr std::size_t kMostConnections = 64;

struct Connection {
  int fd;
  std::unique_ptr<PrintSession> session;
};

int openListener(const ListenAddress& address, std::string& error) {
  sockaddr_in socketAddress{};
  socketAddress.sin_family = AF_INET;
  socketAddress.sin_port = htons(address.port);
  if (inet_pton(AF_INET, address.host.c_str(), &socketAddress.sin_addr) != 1) {
    error = "not an IPv4 address: " + address.host;
    return -1;
  }
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const int yes = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  if (bind(fd, reinterpret_cast<sockaddr*>(&socketAddress), sizeof socketAddress) != 0 || listen(fd, 16) != 0) {
    error = "cannot listen on " + address.host + ":" + std::to_string(address.port) + ": " + std::strerror(errno);
    close(fd);
    return -1;
  }
  return fd;
}

std::string peerName(int fd) {
  sockaddr_in peer{};
  socklen_t length = sizeof peer;
  getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length);
  char host[INET_ADDRSTRLEN] = "?";
  inet_ntop(AF_INET, &peer.sin_addr, host, sizeof host);
  return std::string("connection from ") + host + ":" + std::to_string(ntohs(peer.sin_port));
}

// One read from the connection, handed to its session; recv's result.
ssize_t receiveOnce(Connection& connection, int flags) {
  char buffer[16384];
  const ssize_t got = recv(connection.fd, buffer, sizeof buffer, flags);
  if (got > 0) connection.session->receive(std::string_view(buffer, static_cast<std::size_t>(got)));
  return got;
}

// Reads what the connection has; false when it has ended.
bool readInto(Connection& connection) {
  const ssize_t got = receiveOnce(connection, 0);
  return got > 0 || (got < 0 && (errno == EINTR || errno == EAGAIN));
}

void endConnection(Connection& connection) {
  connection.session->finish();
  close(connection.fd);
}

// Takes a waiting connection; false when none is waiting.
bool acceptOne(int listener, std::vector<Connection>& connections, ReceiptFolder& folder, int paperDots) {
  const int fd = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
  if (fd < 0) return false;
  connections.push_back({fd, std::make_unique<PrintSession>(peerName(fd), folder, paperDots)});
  return true;
}

// On stop: a client whose connect completed, and the bytes it sent before
// the stop, still reach paper.
void finishAll(int listener, std::vector<Connection>& connections, ReceiptFolder& folder, int paperDots) {
  fcntl(listener, F_SETFL, O_NONBLOCK);
  while (acceptOne(listener, connections, folder, paperDots)) {
  }
  for (Connection& connection : connections) {
    while (receiveOnce(connection, MSG_DONTWAIT) > 0) {
    }
    endConnection(connection);
  }
}

std::vector<pollfd> pollSet(int listener, int stopFd, const std::vector<Connection>& connections) {
  std::vector<pollfd> fds{{stopFd, POLLIN, 0}};
  if (connections.size() < kMostConnections) fds.push_back({listener, POLLIN, 0});
  for (const Connection& connection : connections) fds.push_back({connection.fd, POLLIN, 0});
  return fds;
}

}  // namespace

bool servePrinterConnections(const ListenAddress& address, ReceiptFolder& folder, int paperDots, int stopFd,
                             const std::function<void()>& listening, std::string& error) {
  const int listener = openListener(address, error);
  if (listener < 0) return false;
  if (listening) listening();
  std::vector<Connection> connections;
  for (;;) {
    std::vector<pollfd> fds = pollSet(listener, stopFd, connections);
    if (poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) break;
    if (fds[0].revents) break;
    const std::size_t first = fds.size() - connections.size();
    for (std::size_t i = connections.size(); i-- > 0;) {
      if (!fds[first + i].revents || readInto(connections[i])) continue;
      endConnection(connections[i]);
      connections.erase(connections.begin() + static_cast<long>(i));
    }
    if (first == 2 && (fds[1].revents & POLLIN)) acceptOne(listener, connections, folder, paperDots);
  }
  finishAll(listener, connections, folder, paperDots);
  close(listener);
  return true;
}

}  // namespace lumetra::virtual_printer
