#include "handover/print_jobs.h"

#include <cstdio>

#include "base/log.h"
#include "base/utf.h"
#include "printer/ansi_text.h"

namespace lumetra {

void startDelivery(PrintJobs& jobs, const std::filesystem::path& folder) {
  jobs.outbox.open(folder);
  jobs.delivery.start(jobs.timings, jobs.onBacklogChanged);
}

void handOverTickets(PrintJobs& jobs, std::vector<Ticket> tickets) {
  if (tickets.empty()) return;
  jobs.delivery.handOver(std::move(tickets));
}

std::optional<PrinterKey> networkPrinter(const std::u16string& address, std::string_view what) {
  const platform::Ipv4Endpoint endpoint = platform::ipv4Endpoint(bytesUpToNul(toAnsiBytes(address)), kRawPrinterPort);
  if (endpoint.address == platform::kNoIpv4Address) {
    logf(LogLevel::warning, "a %.*s for \"%s\" was refused: not an IPv4 address", static_cast<int>(what.size()),
         what.data(), utf16ToUtf8(address).c_str());
    return std::nullopt;
  }
  return PrinterKey{PrinterKind::network, platform::dottedAddress(endpoint)};
}

}  // namespace lumetra
