#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace lumetra::test {

// The virtual printer program of this build.
std::string virtualPrinterProgram();

// A client of the virtual printer, like Lumetra's connection to port 9100.
class PrinterClient {
 public:
  explicit PrinterClient(const std::string& address, std::uint16_t port = 9100);
  ~PrinterClient() { close(); }
  PrinterClient(const PrinterClient&) = delete;
  PrinterClient& operator=(const PrinterClient&) = delete;

  bool connected() const { return connected_; }
  void send(const std::string& bytes);
  void endSending();
  // The next `count` bytes the printer sends, fewer when the connection
  // ends first (errno tells how).
  std::string receive(std::size_t count);
  // Whether anything arrives within `ms`; a broken printer answers within
  // microseconds, so this only ever errs towards passing.
  bool answersWithin(int ms);
  void close();

 private:
  int fd_;
  bool connected_ = false;
};

// The virtual printer listening on `address`:9100 with its control port,
// as a test plays faults on it.
class ControlledPrinter {
 public:
  ControlledPrinter(const std::string& address, const TempDir& dir, std::vector<std::string> options = {});
  // One command on the control port; its one-line reply.
  std::string control(const std::string& command);
  std::string httpGet(const std::string& path);

  std::optional<ChildProcess> process;

 private:
  std::string address_;
  std::uint16_t controlPort_ = 0;
};

// A print task of four lines for a network printer: "ticket N", two more,
// "end N", so a receipt tells a whole ticket from one cut off.
std::string fourLineTicketTask(const std::string& address, int number);

struct ReceiptTickets {
  std::map<int, int> whole;  // ticket number: times printed whole
  std::map<int, int> cutOff;
};
// The four-line tickets in the virtual printer's receipts in `folder` so far.
ReceiptTickets ticketsInReceipts(const std::filesystem::path& folder);
// The same once `count` different tickets are there whole (or after a hang
// guard): a piece is written when its connection ends, which may be just
// after the ticket counted as delivered.
ReceiptTickets waitForTicketsInReceipts(const std::filesystem::path& folder, std::size_t count);

}  // namespace lumetra::test
