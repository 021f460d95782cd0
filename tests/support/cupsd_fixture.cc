#include "support/cupsd_fixture.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <stdexcept>
#include <thread>

#include "platform/print/cups_connection.h"
#include "support/spawn.h"

namespace lumetra::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr char kCupsd[] = "/usr/sbin/cupsd";
// Bounds on waiting for the scheduler; it normally starts in ~20 ms and
// stops in about a second.
constexpr auto kStartBound = 30s;
constexpr auto kStopBound = 15s;

bool acceptsConnections(const fs::path& socketPath) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
  const bool connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return connected;
}

// Whether the child has ended (and is reaped), waiting at most `bound`.
bool exitsWithin(pid_t pid, std::chrono::steady_clock::duration bound) {
  const auto deadline = std::chrono::steady_clock::now() + bound;
  do {
    if (::waitpid(pid, nullptr, WNOHANG) == pid) return true;
    std::this_thread::sleep_for(10ms);
  } while (std::chrono::steady_clock::now() < deadline);
  return false;
}

void sendAdminRequest(platform::cups::IppMessage request, const std::string& what) {
  const platform::cups::Connection connection = platform::cups::connectToServer();
  if (!connection || !platform::cups::send(connection.get(), std::move(request))) {
    throw std::runtime_error(what + ": " + cupsLastErrorString());
  }
}

}  // namespace

PrivateCupsd::PrivateCupsd()
    : socket_(dir_.path() / "cups.sock"),
      server_("CUPS_SERVER", socket_.string()),
      home_("HOME", (dir_.path() / "home").string()) {
  writeConfiguration();
  start();
  waitUntilAnswering();
  // libcups keeps the server per thread once it has read it.
  cupsSetServer(socket_.c_str());
}

PrivateCupsd::~PrivateCupsd() {
  stop();
  cupsSetServer(nullptr);
}

void PrivateCupsd::writeConfiguration() const {
  const fs::path& root = dir_.path();
  // Backends run as the unprivileged "lp" user and read the spooled jobs.
  fs::permissions(root, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
  for (const char* folder : {"spool/tmp", "cache", "state", "log", "home"}) fs::create_directories(root / folder);
  for (const char* file : {"raw.types", "raw.convs"}) fs::copy_file(fs::path("/etc/cups") / file, root / file);
  dir_.write("cupsd.conf", "Listen " + socket_.string() +
                               "\n"
                               "Browsing No\nBrowseLocalProtocols none\nDefaultShared No\nWebInterface No\n"
                               "LogLevel warn\nDefaultPolicy open\n"
                               "<Location />\nOrder allow,deny\nAllow all\n</Location>\n"
                               "<Policy open>\nJobPrivateAccess all\nJobPrivateValues none\n"
                               "SubscriptionPrivateAccess all\nSubscriptionPrivateValues none\n"
                               "<Limit All>\nOrder deny,allow\n</Limit>\n</Policy>\n");
  const std::string at = root.string();
  dir_.write("cups-files.conf", "ServerRoot " + at + "\nRequestRoot " + at + "/spool\nTempDir " + at +
                                    "/spool/tmp\nCacheDir " + at + "/cache\nStateDir " + at + "/state\nErrorLog " + at +
                                    "/log/error_log\nAccessLog " + at + "/log/access_log\nPageLog " + at +
                                    "/log/page_log\nPrintcap " + at + "/printcap\n");
}

void PrivateCupsd::start() {
  const std::string cupsdConf = (dir_.path() / "cupsd.conf").string();
  const std::string filesConf = (dir_.path() / "cups-files.conf").string();
  const std::string output = (dir_.path() / "log" / "cupsd.out").string();
  const int log = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (log < 0) throw std::runtime_error("cannot create " + output);
  try {
    pid_ =
        spawnTiedToTest(kCupsd, {kCupsd, "-f", "-c", cupsdConf, "-s", filesConf}, currentEnvironment(), {-1, log, log});
  } catch (...) {
    ::close(log);
    throw;
  }
  ::close(log);
}

void PrivateCupsd::waitUntilAnswering() {
  const auto deadline = std::chrono::steady_clock::now() + kStartBound;
  while (!acceptsConnections(socket_)) {
    if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
      pid_ = -1;
      throw std::runtime_error("cupsd ended at start:\n" + errorLog());
    }
    if (std::chrono::steady_clock::now() > deadline) {
      stop();
      throw std::runtime_error("cupsd did not answer:\n" + errorLog());
    }
    std::this_thread::sleep_for(10ms);
  }
}

void PrivateCupsd::stop() {
  if (pid_ < 0) return;
  ::kill(pid_, SIGTERM);
  if (!exitsWithin(pid_, kStopBound)) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  pid_ = -1;
}

std::string PrivateCupsd::errorLog() const {
  return readFile(dir_.path() / "log" / "cupsd.out") + readFile(dir_.path() / "log" / "error_log");
}

void PrivateCupsd::addRawQueue(const std::string& name, const std::string& deviceUri) {
  platform::cups::IppMessage request = platform::cups::newPrinterRequest(IPP_OP_CUPS_ADD_MODIFY_PRINTER, name);
  ippAddString(request.get(), IPP_TAG_PRINTER, IPP_TAG_URI, "device-uri", nullptr, deviceUri.c_str());
  ippAddBoolean(request.get(), IPP_TAG_PRINTER, "printer-is-accepting-jobs", 1);
  ippAddInteger(request.get(), IPP_TAG_PRINTER, IPP_TAG_ENUM, "printer-state", IPP_PSTATE_IDLE);
  sendAdminRequest(std::move(request), "adding queue " + name);
}

void PrivateCupsd::addStoppedQueue(const std::string& name, const std::string& deviceUri) {
  addRawQueue(name, deviceUri);
  stopQueue(name);
}

void PrivateCupsd::addQueueWithReason(const std::string& name, const std::string& deviceUri,
                                      const std::string& reason) {
  addRawQueue(name, deviceUri);
  setReason(name, reason);
}

void PrivateCupsd::stopQueue(const std::string& name) {
  sendAdminRequest(platform::cups::newPrinterRequest(IPP_OP_PAUSE_PRINTER, name), "stopping queue " + name);
}

void PrivateCupsd::startQueue(const std::string& name) {
  sendAdminRequest(platform::cups::newPrinterRequest(IPP_OP_RESUME_PRINTER, name), "starting queue " + name);
}

void PrivateCupsd::setReason(const std::string& name, const std::string& reason) {
  platform::cups::IppMessage request = platform::cups::newPrinterRequest(IPP_OP_CUPS_ADD_MODIFY_PRINTER, name);
  ippAddString(request.get(), IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "printer-state-reasons", nullptr, reason.c_str());
  sendAdminRequest(std::move(request), "setting " + reason + " on queue " + name);
}

void PrivateCupsd::rejectJobs(const std::string& name) {
  sendAdminRequest(platform::cups::newPrinterRequest(IPP_OP_CUPS_REJECT_JOBS, name), "rejecting jobs on " + name);
}

void PrivateCupsd::acceptJobs(const std::string& name) {
  sendAdminRequest(platform::cups::newPrinterRequest(IPP_OP_CUPS_ACCEPT_JOBS, name), "accepting jobs on " + name);
}

void PrivateCupsd::deleteQueue(const std::string& name) {
  sendAdminRequest(platform::cups::newPrinterRequest(IPP_OP_CUPS_DELETE_PRINTER, name), "deleting queue " + name);
}

}  // namespace lumetra::test
