#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace lumetra::test {

// A fake raw printer: listens on address:port (loopback, a distinct
// 127.0.3.N per test case, since test cases run in parallel) and keeps the
// bytes of each connection, once the sender has finished, as one job.
class RawDeviceListener {
 public:
  explicit RawDeviceListener(const std::string& address, std::uint16_t port = 9100);
  ~RawDeviceListener();
  RawDeviceListener(const RawDeviceListener&) = delete;
  RawDeviceListener& operator=(const RawDeviceListener&) = delete;

  // "socket://address:port", the device URI of a raw CUPS queue.
  std::string uri() const;

  // The next finished job, waiting at most `bound` for it, so a job that
  // never comes fails the test instead of hanging it.
  std::optional<std::string> nextJob(std::chrono::milliseconds bound = std::chrono::seconds(30));

 private:
  void serve();
  // Reads one connection to its end; false when the listener is stopping.
  bool receive(int connection);

  std::string address_;
  std::uint16_t port_;
  int listenFd_ = -1;
  int stopPipe_[2] = {-1, -1};
  std::mutex mutex_;
  std::condition_variable jobArrived_;
  std::deque<std::string> jobs_;
  std::thread thread_;
};

}  // namespace lumetra::test
