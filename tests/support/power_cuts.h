#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "support/fake_network_printer.h"

namespace lumetra::test {

// Printers that a thread switches off and on at random (off for up to 3 ms,
// then on for up to 6 ms) until the object goes; they are all on afterwards.
class PowerCuts {
 public:
  PowerCuts(std::vector<std::unique_ptr<FakeNetworkPrinter>>& printers, unsigned seed)
      : thread_([this, &printers, seed] { run(printers, seed); }) {}
  ~PowerCuts() {
    stop_ = true;
    thread_.join();
  }
  PowerCuts(const PowerCuts&) = delete;
  PowerCuts& operator=(const PowerCuts&) = delete;

  int count() const { return count_; }

 private:
  void run(std::vector<std::unique_ptr<FakeNetworkPrinter>>& printers, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::size_t> pick(0, printers.size() - 1);
    std::uniform_int_distribution<int> pauseMicroseconds(0, 3000);
    while (!stop_) {
      FakeNetworkPrinter& printer = *printers[pick(random)];
      printer.switchOff();
      ++count_;
      std::this_thread::sleep_for(std::chrono::microseconds(pauseMicroseconds(random)));
      printer.switchOn();
      std::this_thread::sleep_for(std::chrono::microseconds(2 * pauseMicroseconds(random)));
    }
  }

  std::atomic<bool> stop_ = false;
  std::atomic<int> count_ = 0;
  std::thread thread_;
};

// Numbered tickets as a printer got them: "#0042;" between a fixed start and
// end, so whole ones can be told from cut-off ones.
struct PrintedTickets {
  std::vector<int> whole;  // in the order printed
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

}  // namespace lumetra::test
