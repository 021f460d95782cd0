#include <gtest/gtest.h>
#include <fcntl.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "net/discovery.h"
#include "support/fake_network_printer.h"
#include "support/network_namespace.h"
#include "support/recording_dialogs.h"
#include "support/test_context.h"

namespace lumetra {
namespace {

constexpr const char* kNoAddressTable = "|获取本地IP地址失败！\n";
constexpr const char* kNoMultiplexer = "|创建信号失败！\n";
constexpr const char* kNoNetwork = "|获取网络库失败！\n";
constexpr const char* kCannotStartProbe = "|创建线程失败！\n";

// Makes one system call fail with `error` for the rest of this process (only
// when its first argument is `firstArgument`, if given).
void denySystemCall(unsigned number, int error, std::optional<unsigned> firstArgument = std::nullopt) {
  std::vector<sock_filter> program{
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, number, 0, static_cast<unsigned char>(firstArgument ? 3 : 1)),
  };
  if (firstArgument) {
    // The low half of the argument on this little-endian machine.
    program.push_back(BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[0])));
    program.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, *firstArgument, 0, 1));
  }
  program.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | static_cast<unsigned>(error)));
  program.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
  const sock_fprog filter{static_cast<unsigned short>(program.size()), program.data()};
  if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 || ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &filter) != 0) {
    ::_exit(92);
  }
}

// Leaves only `free` descriptor numbers below the soft limit, and below the
// hard limit too unless `hardLimitToo` is false (the scan raises the soft
// limit as far as the hard one allows).
void leaveFreeDescriptors(int free, bool hardLimitToo = true) {
  int fd = 0;
  for (int seen = 0;; ++fd) {
    if (::fcntl(fd, F_GETFD) == -1 && seen++ == free) break;
  }
  rlimit limit{};
  ::getrlimit(RLIMIT_NOFILE, &limit);
  limit.rlim_cur = static_cast<rlim_t>(fd);
  if (hardLimitToo) limit.rlim_max = limit.rlim_cur;
  if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) ::_exit(93);
}

// What a scan in a child process gave: "undefined" or the list joined by
// commas, the message boxes it showed, and descriptors it left open.
struct ChildScan {
  std::string result;
  std::string dialogs;
  int leftOpen = -1;
};

std::string describe(const CallResult& result) {
  if (!std::holds_alternative<CallResult::Strings>(result.value())) return "undefined";
  std::string joined = "[";
  for (const std::string& address : std::get<CallResult::Strings>(result.value())) {
    joined += (joined.size() > 1 ? "," : "") + address;
  }
  return joined + "]";
}

// The child's network is a fresh namespace of its own with only loopback,
// so nothing outside it can be reached; `loopbackPrinters` adds the /30
// 10.77.7.0 on loopback with printers on both hosts. `fault` then takes
// something away just before the scan.
void scanInChild(bool loopbackPrinters, const std::function<void()>& fault, int reportTo) {
  if (::unshare(CLONE_NEWNET) != 0) ::_exit(90);
  if (test::runProgram({"ip", "link", "set", "lo", "up"}) != 0) ::_exit(91);
  std::vector<std::unique_ptr<test::Listener>> printers;
  if (loopbackPrinters) {
    for (const std::string host : {"10.77.7.1", "10.77.7.2"}) {
      if (test::runProgram({"ip", "addr", "add", host + "/30", "dev", "lo"}) != 0) ::_exit(91);
      printers.push_back(std::make_unique<test::Listener>(host, 9100));
    }
  }
  test::requireOnlyTestSubnets();
  test::RecordingDialogs dialogs;
  const long before = static_cast<long>(test::openDescriptorCount());
  fault();
  platform::UnavailableSpooler spooler;
  Context context(spooler, dialogs);
  const CallResult result = test::callFunction(context, "getIPPrinterList", {});
  std::string report =
      describe(result) + '\n' + std::to_string(static_cast<long>(test::openDescriptorCount()) - before) + '\n';
  for (const std::string& dialog : dialogs.shown()) report += dialog;
  if (::write(reportTo, report.data(), report.size()) != static_cast<ssize_t>(report.size())) ::_exit(94);
  ::_exit(0);
}

ChildScan runChildScan(bool loopbackPrinters, const std::function<void()>& fault) {
  int channel[2];
  if (::pipe(channel) != 0) throw std::runtime_error("no pipe");
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(channel[0]);
    try {
      scanInChild(loopbackPrinters, fault, channel[1]);
    } catch (...) {
    }
    ::_exit(95);
  }
  ::close(channel[1]);
  std::string report;
  char buffer[512];
  for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) > 0;) report.append(buffer, got);
  ::close(channel[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    throw std::runtime_error("scan child failed with status " + std::to_string(status));
  }
  ChildScan scan;
  const std::size_t firstLine = report.find('\n');
  const std::size_t secondLine = report.find('\n', firstLine + 1);
  scan.result = report.substr(0, firstLine);
  scan.leftOpen = std::stoi(report.substr(firstLine + 1, secondLine - firstLine - 1));
  scan.dialogs = report.substr(secondLine + 1);
  return scan;
}

class DiscoveryFailureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root: each scan runs in a network namespace of its own";
  }
};

// The scan cannot start: a message for the staff, undefined for the page,
// and nothing left open.
TEST_F(DiscoveryFailureTest, ReportsWhatKeepsTheScanFromStarting) {
  const ChildScan noAddressTable = runChildScan(false, [] { denySystemCall(__NR_socket, EACCES, AF_NETLINK); });
  EXPECT_EQ(noAddressTable.result, "undefined");
  EXPECT_EQ(noAddressTable.dialogs, kNoAddressTable);
  EXPECT_EQ(noAddressTable.leftOpen, 0);

  const ChildScan noMultiplexer = runChildScan(false, [] { denySystemCall(__NR_epoll_create1, ENOMEM); });
  EXPECT_EQ(noMultiplexer.result, "undefined");
  EXPECT_EQ(noMultiplexer.dialogs, kNoMultiplexer);
  EXPECT_EQ(noMultiplexer.leftOpen, 0);

  const ChildScan noNetwork = runChildScan(false, [] { denySystemCall(__NR_socket, EACCES, AF_INET); });
  EXPECT_EQ(noNetwork.result, "undefined");
  EXPECT_EQ(noNetwork.dialogs, kNoNetwork);
  EXPECT_EQ(noNetwork.leftOpen, 0);
}

// Short of descriptors, the scan raises its soft limit where the hard one
// lets it, waits for probes in flight to end rather than skip a host, and
// with none to wait for stops and says so.
TEST_F(DiscoveryFailureTest, WaitsForDescriptorsAndStopsOnlyWhenNoneCanBeHad) {
  const ChildScan raised = runChildScan(true, [] { leaveFreeDescriptors(1, false); });
  EXPECT_EQ(raised.result, "[10.77.7.1,10.77.7.2]");
  EXPECT_EQ(raised.dialogs, "");
  EXPECT_EQ(raised.leftOpen, 0);

  const ChildScan oneAtATime = runChildScan(true, [] { leaveFreeDescriptors(2); });
  EXPECT_EQ(oneAtATime.result, "[10.77.7.1,10.77.7.2]");
  EXPECT_EQ(oneAtATime.dialogs, "");
  EXPECT_EQ(oneAtATime.leftOpen, 0);

  const ChildScan none = runChildScan(true, [] { leaveFreeDescriptors(1); });
  EXPECT_EQ(none.result, "[]");
  EXPECT_EQ(none.dialogs, kCannotStartProbe);
  EXPECT_EQ(none.leftOpen, 0);
}

}  // namespace
}  // namespace lumetra
