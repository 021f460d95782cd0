#include "support/power_cuts.h"

#include <charconv>
#include <cstdio>
#include <set>

namespace lumetra::test {

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
      const char* digits = bytes.data() + at + opening.size();
      int number = -1;
      const auto [after, error] = std::from_chars(digits, bytes.data() + bytes.size(), number);
      const std::size_t rest = static_cast<std::size_t>(after - bytes.data());
      if (error == std::errc() && bytes.compare(rest, closing.size(), closing) == 0) {
        printed.whole.push_back(number);
      } else {
        ++printed.cutOff;
      }
    }
  }
  return printed;
}

std::vector<std::string> connectionsEndingWith(const FakeNetworkPrinter& printer, int lastTicket,
                                               const std::string& end) {
  printer.waitForText(ticketText(lastTicket) + end);
  return printer.waitForClosedConnections(printer.waitForConnections(0));
}

}  // namespace lumetra::test
