#include "support/printer_faults.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <random>

#include "base/code_page.h"

namespace lumetra::test {
namespace {

constexpr int kTicketDigits = 4;  // ticketText's numbers

// The ticket number after `at` in `bytes` when all its digits are there.
std::optional<int> numberAt(const std::string& bytes, std::size_t at, const char** after) {
  int number = -1;
  const char* digits = bytes.data() + at;
  const auto [end, error] = std::from_chars(digits, bytes.data() + bytes.size(), number);
  *after = end;
  if (error != std::errc() || end - digits != kTicketDigits) return std::nullopt;
  return number;
}

}  // namespace

std::string faultName(PrinterFault fault) {
  switch (fault) {
    case PrinterFault::refuse:
      return "refuse";
    case PrinterFault::neverAnswer:
      return "never answer";
    case PrinterFault::stopReading:
      return "stop reading";
    case PrinterFault::reset:
      return "reset";
  }
  return "?";
}

unsigned soakSeed() {
  if (const char* seed = std::getenv("LUMETRA_SOAK_SEED"); seed && *seed) {
    return static_cast<unsigned>(std::strtoul(seed, nullptr, 10));
  }
  return std::random_device{}();
}

PrinterFaults::PrinterFaults(std::vector<std::unique_ptr<FakeNetworkPrinter>>& printers, unsigned seed,
                             std::chrono::milliseconds noticed)
    : printers_(printers), noticed_(noticed), thread_([this, seed] { run(seed); }) {}

PrinterFaults::~PrinterFaults() {
  stop_ = true;
  thread_.join();
  for (auto& printer : printers_) {
    printer->answerAgain();
    printer->switchOn();
    printer->resumeReading();
    printer->resetMidTicket(0);
  }
}

std::map<PrinterFault, int> PrinterFaults::counts() const {
  std::lock_guard lock(mutex_);
  return counts_;
}

void PrinterFaults::run(unsigned seed) {
  std::mt19937 random(seed);
  std::array<PrinterFault, 4> first = kPrinterFaults;
  std::shuffle(first.begin(), first.end(), random);
  for (const PrinterFault fault : first) {
    for (auto& printer : printers_) begin(*printer, fault, random);
    std::this_thread::sleep_for(noticed_);
    for (auto& printer : printers_) end(*printer, fault);
  }
  firstRoundDone_ = true;
  std::uniform_int_distribution<std::size_t> pick(0, printers_.size() - 1);
  std::uniform_int_distribution<std::size_t> kind(0, kPrinterFaults.size() - 1);
  std::uniform_int_distribution<int> microseconds(0, 40'000);
  while (!stop_) {
    FakeNetworkPrinter& printer = *printers_[pick(random)];
    const PrinterFault fault = kPrinterFaults[kind(random)];
    begin(printer, fault, random);
    std::this_thread::sleep_for(std::chrono::microseconds(microseconds(random)));
    end(printer, fault);
    std::this_thread::sleep_for(std::chrono::microseconds(microseconds(random)));
  }
}

void PrinterFaults::begin(FakeNetworkPrinter& printer, PrinterFault fault, std::mt19937& random) {
  {
    std::lock_guard lock(mutex_);
    ++counts_[fault];
  }
  switch (fault) {
    case PrinterFault::refuse:
      printer.switchOff();
      break;
    case PrinterFault::neverAnswer:
      printer.stopAnswering();
      break;
    case PrinterFault::stopReading:
      printer.stopReading();
      break;
    case PrinterFault::reset:
      // Somewhere inside the next ticket or two.
      printer.resetMidTicket(std::uniform_int_distribution<std::size_t>(1, 24)(random));
      break;
  }
}

void PrinterFaults::end(FakeNetworkPrinter& printer, PrinterFault fault) {
  switch (fault) {
    case PrinterFault::refuse:
      printer.switchOn();
      break;
    case PrinterFault::neverAnswer:
      printer.answerAgain();
      break;
    case PrinterFault::stopReading:
      printer.resumeReading();
      break;
    case PrinterFault::reset:
      break;
  }
}

std::vector<int> PrintedTickets::firstPrints() const {
  std::vector<int> first;
  std::set<int> seen;
  for (const int ticket : whole) {
    if (seen.insert(ticket).second) first.push_back(ticket);
  }
  return first;
}

std::string ticketFaults(const std::vector<int>& handedOver, const PrintedTickets& printed) {
  const std::vector<int> first = printed.firstPrints();
  if (first == handedOver) return "";
  const std::set<int> got(first.begin(), first.end());
  std::string faults = "missing:";
  for (const int ticket : handedOver) {
    if (!got.contains(ticket)) faults += " " + std::to_string(ticket);
  }
  const std::set<int> handed(handedOver.begin(), handedOver.end());
  faults += "; not handed to this printer:";
  for (const int ticket : first) {
    if (!handed.contains(ticket)) faults += " " + std::to_string(ticket);
  }
  faults += "; printed in this order:";
  for (const int ticket : printed.whole) faults += " " + std::to_string(ticket);
  return faults;
}

std::string ticketText(int number) {
  char text[16];
  std::snprintf(text, sizeof text, "#%04d;", number);
  return text;
}

PrintedTickets readTickets(const std::vector<std::string>& connections, const std::string& start,
                           const std::string& end) {
  PrintedTickets printed;
  const std::string opening = start + "#";
  const std::string closing = ";" + end;
  for (const std::string& bytes : connections) {
    for (std::size_t at = bytes.find(opening); at != std::string::npos; at = bytes.find(opening, at + 1)) {
      const char* after = nullptr;
      const std::optional<int> number = numberAt(bytes, at + opening.size(), &after);
      const std::size_t rest = static_cast<std::size_t>(after - bytes.data());
      if (number && bytes.compare(rest, closing.size(), closing) == 0) {
        printed.whole.push_back(*number);
        continue;
      }
      ++printed.cutOff;
      if (number) printed.cutOffNumbers.push_back(*number);
    }
  }
  return printed;
}

std::vector<std::string> connectionsEndingWith(const FakeNetworkPrinter& printer, int lastTicket,
                                               const std::string& end) {
  printer.waitForText(ticketText(lastTicket) + end);
  return printer.waitForClosedConnections(printer.waitForConnections(0));
}

std::set<int> ticketsHitByFaults(const FakeNetworkPrinter& printer, const std::string& start) {
  const std::string opening = start + "#";
  std::set<int> hit;
  for (const FakeNetworkPrinter::ConnectionRecord& connection : printer.connectionRecords()) {
    if (!connection.endedByPrinter) continue;
    const std::string& bytes = connection.bytes;
    for (std::size_t at = bytes.find(opening); at != std::string::npos; at = bytes.find(opening, at + 1)) {
      const char* after = nullptr;
      if (const std::optional<int> number = numberAt(bytes, at + opening.size(), &after)) hit.insert(*number);
    }
  }
  return hit;
}

std::vector<int> reprintsNoFaultExplains(const PrintedTickets& printed, const std::set<int>& hit) {
  std::map<int, int> prints;
  for (const int ticket : printed.whole) ++prints[ticket];
  for (const int ticket : printed.cutOffNumbers) ++prints[ticket];
  std::vector<int> unexplained;
  for (const auto& [ticket, count] : prints) {
    if (count > 1 && !hit.contains(ticket)) unexplained.push_back(ticket);
  }
  return unexplained;
}

SoakTally tallySoak(const std::vector<std::unique_ptr<FakeNetworkPrinter>>& printers,
                    const std::vector<std::vector<int>>& handedOver, const std::string& start, const std::string& end) {
  SoakTally tally;
  for (std::size_t i = 0; i < printers.size(); ++i) {
    if (handedOver[i].empty()) continue;
    const std::vector<std::string> connections = connectionsEndingWith(*printers[i], handedOver[i].back(), end);
    const PrintedTickets tickets = readTickets(connections, start, end);
    const std::string copyMark = utf8ToAnsi("补打\n");
    for (const std::string& bytes : connections) {
      for (std::size_t at = bytes.find(copyMark); at != std::string::npos; at = bytes.find(copyMark, at + 1))
        ++tally.markedCopies;
    }
    const std::set<int> hit = ticketsHitByFaults(*printers[i], start);
    std::string faults = ticketFaults(handedOver[i], tickets);
    for (const int ticket : reprintsNoFaultExplains(tickets, hit))
      faults += " reprinted unhit: " + std::to_string(ticket);
    if (!faults.empty()) tally.faults += printers[i]->address() + ": " + faults + "\n";
    tally.printed += static_cast<int>(tickets.firstPrints().size());
    tally.reprinted += tickets.printedAgain();
    tally.cutOff += tickets.cutOff;
    tally.hit += static_cast<int>(hit.size());
  }
  return tally;
}

}  // namespace lumetra::test
