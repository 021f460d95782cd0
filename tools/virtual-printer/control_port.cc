#include "control_port.h"

#include <sys/socket.h>
#include <unistd.h>

#include "control_commands.h"

namespace lumetra::virtual_printer {
namespace {

// A control line, or an HTTP request's header line, is never this long.
constexpr std::size_t kLongestLine = 4096;
constexpr std::size_t kMostClients = 16;

void reply(int fd, const std::string& text) {
  // Replies are a line; a fresh socket always has room for it.
  [[maybe_unused]] const ssize_t sent = send(fd, text.data(), text.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
}

std::string withoutCarriageReturn(std::string line) {
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace

bool ControlPort::open(const ListenAddress& address, std::string& error) {
  listener_ = openListener(address, 0, error);
  return listener_ >= 0;
}

ControlPort::~ControlPort() {
  for (const Client& client : clients_) close(client.fd);
  if (listener_ >= 0) close(listener_);
}

void ControlPort::addTo(std::vector<pollfd>& fds) const {
  fds.push_back({clients_.size() < kMostClients ? listener_ : -1, POLLIN, 0});
  for (const Client& client : clients_) fds.push_back({client.fd, POLLIN, 0});
}

void ControlPort::serve(const pollfd* entries, const Run& run) {
  for (std::size_t i = clients_.size(); i-- > 0;) {
    if (!entries[1 + i].revents) continue;
    char buffer[1024];
    const ssize_t got = recv(clients_[i].fd, buffer, sizeof buffer, MSG_DONTWAIT);
    if (got < 0 && errno == EAGAIN) continue;
    if (got > 0) clients_[i].received.append(buffer, static_cast<std::size_t>(got));
    if (got > 0 && answerLines(clients_[i], run)) continue;
    close(clients_[i].fd);
    clients_.erase(clients_.begin() + static_cast<long>(i));
  }
  if (entries[0].revents & POLLIN) accept();
}

void ControlPort::accept() {
  const int fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
  if (fd >= 0) clients_.push_back({fd, {}, {}, false});
}

bool ControlPort::answerLines(Client& client, const Run& run) {
  for (std::size_t end; (end = client.received.find('\n')) != std::string::npos;) {
    const std::string line = withoutCarriageReturn(client.received.substr(0, end));
    client.received.erase(0, end + 1);
    if (client.http) {
      // The headers end with an empty line; then the request is answered.
      if (!line.empty()) continue;
      reply(client.fd, httpResponse(run(client.httpCommand)));
      return false;
    }
    if (const std::optional<std::string> command = commandOfHttpRequest(line)) {
      client.http = true;
      client.httpCommand = *command;
      continue;
    }
    reply(client.fd, run(line) + "\n");
  }
  if (client.received.size() <= kLongestLine) return true;
  reply(client.fd, "error line too long\n");
  return false;
}

}  // namespace lumetra::virtual_printer
