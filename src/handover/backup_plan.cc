#include "handover/backup_plan.h"

#include "base/log.h"
#include "net/net_printer_slots.h"
#include "platform/net/tcp_connection.h"

namespace lumetra {

PrinterKey printerNamed(const std::string& name) {
  const platform::Ipv4Endpoint endpoint = platform::ipv4Endpoint(name, kRawPrinterPort);
  if (endpoint.address == platform::kNoIpv4Address) return PrinterKey{PrinterKind::spooler, name};
  return PrinterKey{PrinterKind::network, platform::dottedAddress(endpoint)};
}

std::map<PrinterKey, PrinterKey> backupPlan(const std::vector<std::pair<std::string, std::string>>& lines) {
  std::map<PrinterKey, PrinterKey> named;
  for (const auto& [printer, backup] : lines) named[printerNamed(printer)] = printerNamed(backup);
  std::map<PrinterKey, PrinterKey> plan;
  for (const auto& [printer, backup] : named) {
    if (backup == printer || named.contains(backup)) {
      logf(LogLevel::error,
           "[backup] %s = %s refused: %s has a backup of its own (a chain or a cycle); %s keeps its tickets",
           printer.name.c_str(), backup.name.c_str(), backup.name.c_str(), printer.name.c_str());
      continue;
    }
    plan.emplace(printer, backup);
  }
  return plan;
}

}  // namespace lumetra
