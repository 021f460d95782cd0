#pragma once

#include <atomic>
#include <map>
#include <string>
#include <thread>

namespace lumetra::e2e {

// A web server on a loopback address (127.0.0.1 unless told) for pages that
// need a real origin. Known paths get their page; any other request is
// dropped without an answer, which the browser sees as a failed load.
class HttpServer {
 public:
  explicit HttpServer(std::map<std::string, std::string> pages,
                      std::string address = "127.0.0.1");  // path -> HTML
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  std::string url(const std::string& path) const;
  // "http://address:port", as a document's origin is written.
  std::string origin() const;

 private:
  void serve();
  void answer(int connection);

  std::map<std::string, std::string> pages_;
  std::string address_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

}  // namespace lumetra::e2e
