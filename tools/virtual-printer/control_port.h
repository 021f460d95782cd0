#pragma once

#include <poll.h>

#include <functional>
#include <string>
#include <vector>

#include "tcp_sockets.h"

namespace lumetra::virtual_printer {

// The printer's control on a loopback port: one command per line, one reply
// line each, or one command per HTTP GET (/paper-out, /slow/16/500), whose
// reply any web page may read.
class ControlPort {
 public:
  using Run = std::function<std::string(const std::string& commandLine)>;

  // Listens on `address`; false (with `error` set) when it cannot.
  bool open(const ListenAddress& address, std::string& error);
  ~ControlPort();
  std::string address() const { return boundAddress(listener_); }

  // Adds what it waits on to `fds`; `serve` then takes the same entries.
  void addTo(std::vector<pollfd>& fds) const;
  void serve(const pollfd* entries, const Run& run);

 private:
  struct Client {
    int fd;
    std::string received;
    std::string httpCommand;  // the command of an HTTP request whose headers are still coming
    bool http = false;
  };

  // Answers the lines the client has sent; false once it is to be closed.
  bool answerLines(Client& client, const Run& run);
  void accept();

  int listener_ = -1;
  std::vector<Client> clients_;
};

}  // namespace lumetra::virtual_printer
