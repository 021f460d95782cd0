#include "net/discovery.h"

#include <algorithm>
#include <chrono>
#include <optional>

#include "net/discovery_pace.h"
#include "net/discovery_targets.h"
#include "platform/desktop/dialogs.h"
#include "platform/net/neighbour_table.h"
#include "platform/net/network_interfaces.h"
#include "platform/net/port_probe.h"

namespace lumetra {
namespace {

constexpr std::uint16_t kRawPrinterPort = 9100;
constexpr std::chrono::seconds kProbeTimeout{3};

// One message per step that can fail: reading the address list, creating the
// probe multiplexer, being allowed IPv4 sockets at all (a sandbox may forbid
// them), and starting a probe when descriptors have run out with none in
// flight to wait for.
constexpr const char* kNoAddressTableMessage = "获取本地IP地址失败！\n";
constexpr const char* kNoMultiplexerMessage = "创建信号失败！\n";
constexpr const char* kNoNetworkMessage = "获取网络库失败！\n";
constexpr const char* kCannotStartProbeMessage = "创建线程失败！\n";

void showMessage(platform::Dialogs& dialogs, const char* text) { dialogs.show("", text, platform::DialogButtons::ok); }

void append(std::vector<std::uint32_t>& found, const std::vector<std::uint32_t>& more) {
  found.insert(found.end(), more.begin(), more.end());
}

// Collects what has ended, waiting first while the pace holds the next probe
// back. Collecting before every start also ends the probes whose time is up
// while probes are started back to back, so that the sockets stay within
// the pace.
void waitForPace(platform::PortProbes& probes, ProbePacer& pacer, std::vector<std::uint32_t>& found) {
  for (;;) {
    const ProbePacer::Clock::time_point now = ProbePacer::Clock::now();
    const ProbePacer::Clock::time_point next = pacer.nextStart(now);
    append(found, probes.collectEnded(std::max(next, now)));
    if (next <= now) return;
  }
}

// Starts one probe once the pace allows it, waiting for earlier ones to end
// while descriptors or ports are short. False when nothing in flight could
// free any: the scan cannot go on.
bool startProbe(platform::PortProbes& probes, ProbePacer& pacer, std::uint32_t address,
                std::vector<std::uint32_t>& found) {
  waitForPace(probes, pacer, found);
  for (;;) {
    if (probes.start(address) != platform::ProbeStart::outOfResources) {
      pacer.started(ProbePacer::Clock::now());
      return true;
    }
    if (probes.inFlight() == 0) return false;
    append(found, probes.collectEnded());
  }
}

// Probes every target and returns the addresses that connected, in
// completion order. The attempts are multiplexed on the calling thread rather
// than given a thread each: there is no thread to create per host, nothing
// that can outlive the call, and no shared list to lock. A /24 fits in one
// round of the pace and takes one timeout; a wider subnet takes one round per
// share of the kernel's neighbour table.
std::vector<std::uint32_t> scan(platform::PortProbes& probes, ProbePacer& pacer, ProbeTargets& targets,
                                platform::Dialogs& dialogs) {
  std::vector<std::uint32_t> found;
  while (const std::optional<std::uint32_t> address = targets.next()) {
    if (!startProbe(probes, pacer, *address, found)) {
      showMessage(dialogs, kCannotStartProbeMessage);
      break;
    }
  }
  do {
    append(found, probes.collectEnded());
  } while (probes.inFlight() > 0);
  return found;
}

}  // namespace

std::optional<std::vector<std::string>> discoverNetworkPrinters(platform::Dialogs& dialogs) {
  const std::optional<std::vector<platform::Ipv4InterfaceAddress>> locals = platform::localIpv4Addresses();
  if (!locals) {
    showMessage(dialogs, kNoAddressTableMessage);
    return std::nullopt;
  }
  platform::PortProbes probes(kRawPrinterPort, kProbeTimeout);
  if (!probes.opened()) {
    showMessage(dialogs, kNoMultiplexerMessage);
    return std::nullopt;
  }
  if (!platform::ipv4StreamSocketsAllowed()) {
    showMessage(dialogs, kNoNetworkMessage);
    return std::nullopt;
  }
  // One list for all adapters, so hosts found on one subnet are never lost to
  // the scan of the next; with no address worth scanning it is empty, never
  // the result of an earlier call.
  ProbeTargets targets(*locals);
  const std::optional<platform::NeighbourTableLimits> table = platform::ipv4NeighbourTableLimits();
  ProbePacer pacer(probePace(table, platform::raiseDescriptorLimit(descriptorsWanted(table)), kProbeTimeout));
  std::vector<std::string> printers;
  for (const std::uint32_t address : scan(probes, pacer, targets, dialogs)) printers.push_back(dottedAddress(address));
  return printers;
}

}  // namespace lumetra
