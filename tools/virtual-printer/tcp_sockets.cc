#include "tcp_sockets.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace lumetra::virtual_printer {
namespace {

std::string addressText(const sockaddr_in& address) {
  char host[INET_ADDRSTRLEN] = "?";
  inet_ntop(AF_INET, &address.sin_addr, host, sizeof host);
  return std::string(host) + ":" + std::to_string(ntohs(address.sin_port));
}

}  // namespace

int openListener(const ListenAddress& address, int receiveBuffer, std::string& error) {
  sockaddr_in socketAddress{};
  socketAddress.sin_family = AF_INET;
  socketAddress.sin_port = htons(address.port);
  if (inet_pton(AF_INET, address.host.c_str(), &socketAddress.sin_addr) != 1) {
    error = "not an IPv4 address: " + address.host;
    return -1;
  }
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  const int yes = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  if (receiveBuffer > 0) setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
  if (bind(fd, reinterpret_cast<sockaddr*>(&socketAddress), sizeof socketAddress) != 0 || listen(fd, 16) != 0) {
    error = "cannot listen on " + address.host + ":" + std::to_string(address.port) + ": " + std::strerror(errno);
    close(fd);
    return -1;
  }
  return fd;
}

std::string boundAddress(int fd) {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  return addressText(address);
}

std::string peerName(int fd) {
  sockaddr_in peer{};
  socklen_t length = sizeof peer;
  getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length);
  return "connection from " + addressText(peer);
}

void resetConnection(int fd) {
  const linger immediately{1, 0};
  setsockopt(fd, SOL_SOCKET, SO_LINGER, &immediately, sizeof immediately);
  close(fd);
}

}  // namespace lumetra::virtual_printer
