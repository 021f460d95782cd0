#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace lumetra::test {

// Runs a program found on PATH with these arguments and waits for it; its
// exit status, or -1 when it could not run or died.
int runProgram(const std::vector<std::string>& argv);

// A network namespace of the test's own, named PREFIX-PID-ROLE so parallel
// tests never share one; deleted, with every interface in it, when the object
// goes (also when the test fails). Its loopback interface is brought up.
class TestNamespace {
 public:
  TestNamespace(const std::string& prefix, const std::string& role);
  ~TestNamespace();
  TestNamespace(const TestNamespace&) = delete;
  TestNamespace& operator=(const TestNamespace&) = delete;

  const std::string& name() const { return name_; }
  // `ip -n NAME ARGS...`; throws when ip fails, so a half-built network
  // never gets scanned.
  void ip(const std::vector<std::string>& arguments) const;

 private:
  std::string name_;
};

// A veth pair from `a` (interface `aInterface`) to `b` (`bInterface`), both up.
void linkNamespaces(const TestNamespace& a, const std::string& aInterface, const TestNamespace& b,
                    const std::string& bInterface);

// Moves the calling thread into a test namespace and back to where it was
// when the object goes. Sockets made meanwhile stay in that namespace.
class InsideNamespace {
 public:
  explicit InsideNamespace(const TestNamespace& space);
  ~InsideNamespace();
  InsideNamespace(const InsideNamespace&) = delete;
  InsideNamespace& operator=(const InsideNamespace&) = delete;

 private:
  int original_;
};

// A TCP socket listening on address:port of the current namespace, closed
// when the object goes.
class Listener {
 public:
  Listener(const std::string& address, int port, int backlog = 16);
  ~Listener();
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;

  // Accepts every connection waiting (without blocking) and returns how many
  // bytes each had received before its peer closed it (-1: still open).
  std::vector<long> drainConnections() const;

 private:
  int socket_;
};

// A TCP connection attempt from the current namespace, started without
// waiting; closed when the object goes.
class ConnectAttempt {
 public:
  ConnectAttempt(const std::string& address, int port);
  ~ConnectAttempt();
  ConnectAttempt(const ConnectAttempt&) = delete;
  ConnectAttempt& operator=(const ConnectAttempt&) = delete;

  // Waits up to `limit` for the attempt to end; true when it connected.
  bool connected(std::chrono::seconds limit) const;

 private:
  int socket_;
};

// Throws unless every subnet a scan from the current namespace would probe
// lies in 10.77.0.0/16, the test networks: a slip in setting up a namespace
// must never let a test or benchmark scan the machine's real networks.
void requireOnlyTestSubnets();

// Threads of this process.
int threadCount();

}  // namespace lumetra::test
