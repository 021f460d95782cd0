#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "net/net_printer_slots.h"
#include "platform/net/tcp_connection.h"

namespace lumetra {

// Printer types of a print task: where its bytes go.
inline constexpr int kSpoolerPrinterType = 2;  // a CUPS queue, by name
inline constexpr int kNetworkPrinterType = 3;  // raw TCP 9100, by IPv4 address

// Results of openTaskConnection.
inline constexpr int kTaskConnectionOpen = 0;
inline constexpr int kTaskConnectionFailed = 5;

// Results of writeToPrintTarget.
inline constexpr int kPrintTargetWritten = 0;
inline constexpr int kPrintTargetWriteFailed = 8;

// Opens (or finds open) the print task connection to `address`:9100.
// kTaskConnectionOpen, or kTaskConnectionFailed when the printer did not
// accept the connection within the timeout or refused it.
int openTaskConnection(NetworkPrinters& net, const std::u16string& address) REQUIRES(net.printers.outputLock);

// What the printer at `address` has done with its print task connection;
// lost when there is none.
platform::TcpConnection::PeerState taskConnectionState(NetworkPrinters& net, const std::u16string& address)
    REQUIRES(net.printers.outputLock);

// The print task connection to `address` now: 0 when there is none, else a
// number no earlier connection had, so a caller can tell that the one it
// wrote to was replaced.
std::uint64_t taskConnectionId(NetworkPrinters& net, const std::u16string& address) REQUIRES(net.printers.outputLock);

// Closes every open print task connection (end of a task list; see
// finishSending, within one answer wait). Gives the addresses whose
// printer may not have taken every byte sent to it.
std::vector<std::u16string> closeTaskConnections(NetworkPrinters& net) REQUIRES(net.printers.outputLock);

// Sends `bytes` in one write to a spooler printer (type 2, the open session of
// `printerName`) or a network printer (type 3, the open task connection of
// `address`; every byte, or kPrintTargetWriteFailed when the printer is gone
// or takes nothing more within the answer wait). Nothing to do (not open,
// other type) counts as written.
int writeToPrintTarget(NetworkPrinters& net, const std::u16string& printerName, const std::u16string& address,
                       std::string_view bytes, int printerType) REQUIRES(net.printers.outputLock)
    EXCLUDES(net.printers.printerLock);

}  // namespace lumetra
