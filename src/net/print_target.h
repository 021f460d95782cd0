#pragma once

#include <string>
#include <string_view>

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
int openTaskConnection(const std::u16string& address);

// Closes every open print task connection (end of a task list).
void closeTaskConnections();

// Sends `bytes` in one write to a spooler printer (type 2, the open session of
// `printerName`) or a network printer (type 3, the open task connection of
// `address`; every byte, or kPrintTargetWriteFailed when the printer is gone
// or takes nothing more within the answer wait). Nothing to do (not open,
// other type) counts as written.
int writeToPrintTarget(const std::u16string& printerName, const std::u16string& address,
                       std::string_view bytes, int printerType);

}  // namespace lumetra
