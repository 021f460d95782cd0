#include "net/print_target.h"

#include "net/delivery_confirmation.h"
#include "printer/ansi_text.h"
#include "printer/printer_sessions.h"

namespace lumetra {
namespace {

int writeToSpoolerPrinter(Printers& printers, const std::u16string& printerName, std::string_view bytes) {
  const platform::PrinterHandle handle = sessionHandle(printers, printerName);
  if (handle == platform::kNoPrinterHandle) return kPrintTargetWritten;
  return printers.spooler.write(handle, bytes) ? kPrintTargetWritten : kPrintTargetWriteFailed;
}

int writeToNetworkPrinter(NetworkPrinters& net, const std::u16string& address, std::string_view bytes)
    REQUIRES(net.printers.outputLock) {
  const auto entry = net.taskConnections.find(address);
  if (entry == net.taskConnections.end()) return kPrintTargetWritten;
  return entry->second.socket.send(bytes, kPrinterAnswerWait) ? kPrintTargetWritten : kPrintTargetWriteFailed;
}

}  // namespace

int openTaskConnection(NetworkPrinters& net, const std::u16string& address) {
  auto& table = net.taskConnections;
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
  table.emplace(address, TaskConnection{std::move(socket), ++net.lastConnectionId});
  return kTaskConnectionOpen;
}

platform::TcpConnection::PeerState taskConnectionState(NetworkPrinters& net, const std::u16string& address) {
  const auto entry = net.taskConnections.find(address);
  if (entry == net.taskConnections.end()) return platform::TcpConnection::PeerState::lost;
  return entry->second.socket.peerState();
}

std::uint64_t taskConnectionId(NetworkPrinters& net, const std::u16string& address) {
  const auto entry = net.taskConnections.find(address);
  return entry == net.taskConnections.end() ? 0 : entry->second.id;
}

std::vector<std::u16string> closeTaskConnections(NetworkPrinters& net) {
  std::vector<std::u16string> addresses;
  std::vector<platform::TcpConnection*> sockets;
  for (auto& [address, connection] : net.taskConnections) {
    addresses.push_back(address);
    sockets.push_back(&connection.socket);
  }
  const std::vector<bool> uncertain = finishSending(sockets, kPrinterAnswerWait);
  std::vector<std::u16string> reset;
  for (std::size_t i = 0; i < addresses.size(); ++i) {
    if (uncertain[i]) reset.push_back(addresses[i]);
  }
  net.taskConnections.clear();
  return reset;
}

int writeToPrintTarget(NetworkPrinters& net, const std::u16string& printerName, const std::u16string& address,
                       std::string_view bytes, int printerType) {
  switch (printerType) {
    case kSpoolerPrinterType:
      return writeToSpoolerPrinter(net.printers, printerName, bytes);
    case kNetworkPrinterType:
      return writeToNetworkPrinter(net, address, bytes);
    default:
      return kPrintTargetWritten;
  }
}

}  // namespace lumetra
