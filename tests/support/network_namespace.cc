#include "support/network_namespace.h"

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>

#include "net/discovery_targets.h"
#include "platform/net/network_interfaces.h"

extern char** environ;

namespace lumetra::test {
namespace {

int openOrThrow(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw std::runtime_error("cannot open " + path);
  return fd;
}

sockaddr_in socketAddress(const std::string& address, int port) {
  sockaddr_in result{};
  result.sin_family = AF_INET;
  result.sin_port = htons(static_cast<std::uint16_t>(port));
  if (::inet_pton(AF_INET, address.c_str(), &result.sin_addr) != 1) throw std::runtime_error("bad address " + address);
  return result;
}

// Bytes a peer sent before closing; -1 when it did not close within 5 s.
long bytesUntilClose(int connection) {
  const timeval patience{5, 0};
  ::setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
  long total = 0;
  char buffer[256];
  for (;;) {
    const ssize_t got = ::recv(connection, buffer, sizeof buffer, 0);
    if (got == 0) return total;
    if (got < 0) return -1;
    total += got;
  }
}

// Namespaces "PREFIX-PID-ROLE" of test processes that are gone: a test that
// was killed cannot delete its own, and they would pile up.
void removeAbandonedNamespaces(const std::string& prefix) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/var/run/netns", error)) {
    const std::string name = entry.path().filename().string();
    if (!name.starts_with(prefix + "-")) continue;
    const std::string rest = name.substr(prefix.size() + 1);
    const std::size_t dash = rest.find('-');
    if (dash == 0 || dash == std::string::npos || rest.find_first_not_of("0123456789") < dash) continue;
    const pid_t owner = static_cast<pid_t>(std::stol(rest.substr(0, dash)));
    if (::kill(owner, 0) != 0 && errno == ESRCH) runProgram({"ip", "netns", "del", name});
  }
}

}  // namespace

int runProgram(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return -1;
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

TestNamespace::TestNamespace(const std::string& prefix, const std::string& role)
    : name_(prefix + "-" + std::to_string(::getpid()) + "-" + role) {
  removeAbandonedNamespaces(prefix);
  if (runProgram({"ip", "netns", "add", name_}) != 0) throw std::runtime_error("ip netns add " + name_ + " failed");
  try {
    ip({"link", "set", "lo", "up"});
  } catch (...) {
    runProgram({"ip", "netns", "del", name_});
    throw;
  }
}

TestNamespace::~TestNamespace() { runProgram({"ip", "netns", "del", name_}); }

void TestNamespace::ip(const std::vector<std::string>& arguments) const {
  std::vector<std::string> argv{"ip", "-n", name_};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  if (runProgram(argv) != 0) throw std::runtime_error("ip -n " + name_ + " " + arguments.front() + " ... failed");
}

void linkNamespaces(const TestNamespace& a, const std::string& aInterface, const TestNamespace& b,
                    const std::string& bInterface) {
  a.ip({"link", "add", aInterface, "type", "veth", "peer", "name", bInterface, "netns", b.name()});
  a.ip({"link", "set", aInterface, "up"});
  b.ip({"link", "set", bInterface, "up"});
}

InsideNamespace::InsideNamespace(const TestNamespace& space) : original_(openOrThrow("/proc/thread-self/ns/net")) {
  const int target = openOrThrow("/run/netns/" + space.name());
  const int entered = ::setns(target, CLONE_NEWNET);
  ::close(target);
  if (entered != 0) {
    ::close(original_);
    throw std::runtime_error("cannot enter " + space.name());
  }
}

InsideNamespace::~InsideNamespace() {
  // Carrying on in the wrong namespace could let a later scan reach the
  // machine's real networks: better to stop the whole test program.
  if (::setns(original_, CLONE_NEWNET) != 0) std::terminate();
  ::close(original_);
}

Listener::Listener(const std::string& address, int port, int backlog)
    : socket_(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0)) {
  const sockaddr_in local = socketAddress(address, port);
  const int reuse = 1;
  if (socket_ < 0 || ::setsockopt(socket_, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse) != 0 ||
      ::bind(socket_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
      ::listen(socket_, backlog) != 0) {
    if (socket_ >= 0) ::close(socket_);
    throw std::runtime_error("cannot listen on " + address);
  }
}

Listener::~Listener() { ::close(socket_); }

std::vector<long> Listener::drainConnections() const {
  std::vector<long> received;
  for (;;) {
    const int connection = ::accept4(socket_, nullptr, nullptr, SOCK_CLOEXEC);
    if (connection < 0) return received;
    received.push_back(bytesUntilClose(connection));
    ::close(connection);
  }
}

ConnectAttempt::ConnectAttempt(const std::string& address, int port)
    : socket_(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0)) {
  const sockaddr_in target = socketAddress(address, port);
  if (socket_ < 0) throw std::runtime_error("no socket");
  if (::connect(socket_, reinterpret_cast<const sockaddr*>(&target), sizeof target) != 0 && errno != EINPROGRESS) {
    ::close(socket_);
    throw std::runtime_error("cannot start connecting to " + address);
  }
}

ConnectAttempt::~ConnectAttempt() { ::close(socket_); }

bool ConnectAttempt::connected(std::chrono::seconds limit) const {
  pollfd entry{socket_, POLLOUT, 0};
  if (::poll(&entry, 1, static_cast<int>(std::chrono::milliseconds(limit).count())) != 1) return false;
  int error = 0;
  socklen_t length = sizeof error;
  return ::getsockopt(socket_, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
}

void requireOnlyTestSubnets() {
  constexpr std::uint32_t kTestNetworks = 0x0a4d0000;
  const auto locals = platform::localIpv4Addresses();
  if (!locals) throw std::runtime_error("no address table");
  for (const platform::Ipv4InterfaceAddress& local : *locals) {
    if (probeRangeOf(local) && (local.address & 0xffff0000) != kTestNetworks) {
      throw std::runtime_error("refusing to scan the subnet of " + dottedAddress(local.address));
    }
  }
}

int threadCount() {
  int threads = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) ++threads;
  return threads;
}

}  // namespace lumetra::test
