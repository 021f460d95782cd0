#include "net/print_target.h"

#include <map>
#include <mutex>

#include "net/net_printer_slots.h"
#include "platform/print/spooler.h"
#include "platform/net/tcp_connection.h"
#include "printer/ansi_text.h"
#include "printer/printer_registry.h"

namespace lumetra {
namespace {

// A connection to a network printer named by a print task. An entry exists
// only once its connect succeeded, so finding one never stands in for a
// connection that was never made.
struct TaskConnection {
  platform::TcpConnection socket;  // none after a failed send
  std::uint64_t id;                // tells a connection from the one it replaced
};

std::uint64_t newConnectionId() {
  static std::uint64_t last = 0;
  return ++last;
}

// Keyed by the address text as the task gives it, code unit by code unit.
std::map<std::u16string, TaskConnection>& taskConnections() {
  static std::map<std::u16string, TaskConnection> table;
  return table;
}

int writeToSpoolerPrinter(const std::u16string& printerName, std::string_view bytes) {
  const PrinterSession& session = findOrCreateSession(printerName);
  if (!session.isOpen()) return kPrintTargetWritten;
  return platform::spooler().write(session.handle, bytes) ? kPrintTargetWritten : kPrintTargetWriteFailed;
}

int writeToNetworkPrinter(const std::u16string& address, std::string_view bytes) {
  std::lock_guard lock(printerLock());
  const auto entry = taskConnections().find(address);
  if (entry == taskConnections().end()) return kPrintTargetWritten;
  return entry->second.socket.send(bytes, kPrinterAnswerWait) ? kPrintTargetWritten : kPrintTargetWriteFailed;
}

}  // namespace

int openTaskConnection(const std::u16string& address) {
  std::lock_guard lock(printerLock());
  auto& table = taskConnections();
  const auto existing = table.find(address);
  if (existing != table.end()) {
    // A printer that dropped the connection since (or failed a send) gets a
    // new one rather than the task's bytes going nowhere.
    if (existing->second.socket.isConnected()) return kTaskConnectionOpen;
    table.erase(existing);
  }
  platform::TcpConnection socket = platform::TcpConnection::create();
  socket.setNonBlocking();
  const platform::Ipv4Endpoint endpoint =
      platform::ipv4Endpoint(bytesUpToNul(toAnsiBytes(address)), kRawPrinterPort);
  if (socket.connect(endpoint, kPrinterAnswerWait) != platform::ConnectOutcome::connected) {
    return kTaskConnectionFailed;
  }
  table.emplace(address, TaskConnection{std::move(socket), newConnectionId()});
  return kTaskConnectionOpen;
}

platform::TcpConnection::PeerState taskConnectionState(const std::u16string& address) {
  std::lock_guard lock(printerLock());
  const auto entry = taskConnections().find(address);
  if (entry == taskConnections().end()) return platform::TcpConnection::PeerState::lost;
  return entry->second.socket.peerState();
}

std::uint64_t taskConnectionId(const std::u16string& address) {
  std::lock_guard lock(printerLock());
  const auto entry = taskConnections().find(address);
  return entry == taskConnections().end() ? 0 : entry->second.id;
}

std::vector<std::u16string> closeTaskConnections() {
  std::lock_guard lock(printerLock());
  std::vector<std::u16string> addresses;
  std::vector<platform::TcpConnection*> sockets;
  for (auto& [address, connection] : taskConnections()) {
    addresses.push_back(address);
    sockets.push_back(&connection.socket);
  }
  const std::vector<bool> uncertain = platform::finishSending(sockets, kPrinterAnswerWait);
  std::vector<std::u16string> reset;
  for (std::size_t i = 0; i < addresses.size(); ++i) {
    if (uncertain[i]) reset.push_back(addresses[i]);
  }
  taskConnections().clear();
  return reset;
}

int writeToPrintTarget(const std::u16string& printerName, const std::u16string& address,
                       std::string_view bytes, int printerType) {
  switch (printerType) {
    case kSpoolerPrinterType:
      return writeToSpoolerPrinter(printerName, bytes);
    case kNetworkPrinterType:
      return writeToNetworkPrinter(address, bytes);
    default:
      return kPrintTargetWritten;
  }
}

}  // namespace lumetra
