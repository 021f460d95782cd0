#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "support/fake_network_printer.h"

namespace lumetra::test {

// What can go wrong with a network printer.
enum class PrinterFault {
  refuse,       // switched off: open connections end, new ones are refused
  neverAnswer,  // connection requests go unanswered
  stopReading,  // it takes no more bytes (paper out, jam)
  reset,        // it resets a connection in the middle of a ticket
};
inline constexpr std::array<PrinterFault, 4> kPrinterFaults{PrinterFault::refuse, PrinterFault::neverAnswer,
                                                            PrinterFault::stopReading, PrinterFault::reset};
std::string faultName(PrinterFault fault);

// The seed of a soak: LUMETRA_SOAK_SEED when set (to replay a failure),
// else a random one.
unsigned soakSeed();

// A thread that puts faults on printers at random until the object goes,
// then leaves every printer healthy. It starts with one of each kind on
// every printer, each lasting `noticed`: long enough for the sender to
// notice (firstRoundDone() then).
class PrinterFaults {
 public:
  PrinterFaults(std::vector<std::unique_ptr<FakeNetworkPrinter>>& printers, unsigned seed,
                std::chrono::milliseconds noticed);
  ~PrinterFaults();
  PrinterFaults(const PrinterFaults&) = delete;
  PrinterFaults& operator=(const PrinterFaults&) = delete;

  // How many of each kind were put on.
  std::map<PrinterFault, int> counts() const;
  bool firstRoundDone() const { return firstRoundDone_; }

 private:
  void run(unsigned seed);
  void begin(FakeNetworkPrinter& printer, PrinterFault fault, std::mt19937& random);
  void end(FakeNetworkPrinter& printer, PrinterFault fault);

  std::vector<std::unique_ptr<FakeNetworkPrinter>>& printers_;
  const std::chrono::milliseconds noticed_;
  std::atomic<bool> stop_ = false;
  std::atomic<bool> firstRoundDone_ = false;
  mutable std::mutex mutex_;
  std::map<PrinterFault, int> counts_;  // guarded by mutex_
  std::thread thread_;
};

// Numbered tickets as a printer got them: "#0042;" between a fixed start and
// end, so whole ones can be told from cut-off ones.
struct PrintedTickets {
  std::vector<int> whole;          // in the order printed
  std::vector<int> cutOffNumbers;  // tickets cut off, where their number could be read
  int cutOff = 0;
  // Each ticket's first whole print, in order: what the shop needs.
  std::vector<int> firstPrints() const;
  int printedAgain() const { return static_cast<int>(whole.size() - firstPrints().size()); }
};

// What went wrong between the tickets handed over to a printer and those it
// printed: "" when every one came out, first prints in the order handed over.
std::string ticketFaults(const std::vector<int>& handedOver, const PrintedTickets& printed);

std::string ticketText(int number);
PrintedTickets readTickets(const std::vector<std::string>& connections, const std::string& start,
                           const std::string& end);

// Every connection's bytes, once the printer has got `lastTicket` (followed
// by `end`): the last thing it is sent.
std::vector<std::string> connectionsEndingWith(const FakeNetworkPrinter& printer, int lastTicket,
                                               const std::string& end);

// The tickets a fault hit: those in a connection the printer ended on its
// own (whole or cut off). Only they may come out again.
std::set<int> ticketsHitByFaults(const FakeNetworkPrinter& printer, const std::string& start);

// Tickets printed more than once (whole or cut off before) that no fault hit.
std::vector<int> reprintsNoFaultExplains(const PrintedTickets& printed, const std::set<int>& hit);

// What a soak's printers printed, each of its tickets `start` "#NNNN;" `end`.
struct SoakTally {
  int printed = 0;    // first whole prints
  int reprinted = 0;  // further whole prints
  int cutOff = 0;
  int hit = 0;           // tickets in connections a fault cut short
  int markedCopies = 0;  // tickets sent headed "补打": a fault may have printed them before
  std::string faults;  // "" when every printer printed every ticket it was handed, in order, and reprinted only what a
                       // fault hit
};
SoakTally tallySoak(const std::vector<std::unique_ptr<FakeNetworkPrinter>>& printers,
                    const std::vector<std::vector<int>>& handedOver, const std::string& start, const std::string& end);

}  // namespace lumetra::test
