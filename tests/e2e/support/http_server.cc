#include "e2e/support/http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace lumetra::e2e {

HttpServer::HttpServer(std::map<std::string, std::string> pages, std::string address)
    : pages_(std::move(pages)), address_(std::move(address)) {
  listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in socketAddress{};
  socketAddress.sin_family = AF_INET;
  socklen_t length = sizeof socketAddress;
  if (::inet_pton(AF_INET, address_.c_str(), &socketAddress.sin_addr) != 1 || listener_ < 0 ||
      ::bind(listener_, reinterpret_cast<sockaddr*>(&socketAddress), sizeof socketAddress) != 0 ||
      ::listen(listener_, 16) != 0 ||
      ::getsockname(listener_, reinterpret_cast<sockaddr*>(&socketAddress), &length) != 0) {
    throw std::runtime_error("cannot listen on " + address_);
  }
  port_ = ntohs(socketAddress.sin_port);
  thread_ = std::thread([this] { serve(); });
}

HttpServer::~HttpServer() {
  stopping_ = true;
  thread_.join();
  ::close(listener_);
}

std::string HttpServer::url(const std::string& path) const { return origin() + path; }

std::string HttpServer::origin() const { return "http://" + address_ + ":" + std::to_string(port_); }

void HttpServer::serve() {
  while (!stopping_) {
    pollfd waiting{listener_, POLLIN, 0};
    if (::poll(&waiting, 1, 100) <= 0) continue;
    const int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (connection < 0) continue;
    answer(connection);
    ::close(connection);
  }
}

void HttpServer::answer(int connection) {
  std::string request;
  char buffer[4096];
  while (request.find("\r\n\r\n") == std::string::npos) {
    const ssize_t n = ::read(connection, buffer, sizeof buffer);
    if (n <= 0) return;
    request.append(buffer, static_cast<std::size_t>(n));
  }
  // "GET /path HTTP/1.1"
  const auto start = request.find(' ') + 1;
  const auto page = pages_.find(request.substr(start, request.find(' ', start) - start));
  if (page == pages_.end()) return;
  const std::string response = "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
                               std::to_string(page->second.size()) + "\r\nConnection: close\r\n\r\n" + page->second;
  const ssize_t written = ::write(connection, response.data(), response.size());
  (void)written;
}

}  // namespace lumetra::e2e
