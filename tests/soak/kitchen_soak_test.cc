// Kitchen tickets while the kitchen printers are switched off and on at
// random, during runs too: every ticket the page handed over must come out
// whole exactly once, on its own printer, in the order it was taken.
#include <array>
#include <atomic>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <map>
#include <random>
#include <set>
#include <thread>

#include "jobs/kitchen_task_functions.h"
#include "net/net_printer_functions.h"
#include "net/net_test_fixture.h"

namespace lumetra::test {
namespace {

constexpr int kTickets = 1000;
constexpr int kPrinters = 3;
constexpr const char* kAddresses[kPrinters] = {"127.0.11.20", "127.0.11.21", "127.0.11.22"};

// What the fixture's command table makes of a ticket with no zoom and a cut.
const std::string kNormalSize = hexBytes("1b 21 00");
const std::string kTicketEnd = kNormalSize + hexBytes("1d 56 01");

std::string ticketText(int number) {
  char text[16];
  std::snprintf(text, sizeof text, "#%04d;", number);
  return text;
}

// Whole tickets found in one printer's connections, in the order printed,
// and how many were cut off.
struct PrintedTickets {
  std::vector<int> whole;
  int cutOff = 0;
};

PrintedTickets readTickets(const std::vector<std::string>& connections) {
  PrintedTickets printed;
  const std::string start = kNormalSize + "#";
  for (const std::string& bytes : connections) {
    for (std::size_t at = bytes.find(start); at != std::string::npos; at = bytes.find(start, at + 1)) {
      const std::size_t digits = at + start.size();
      int number = -1;
      const auto [end, error] = std::from_chars(bytes.data() + digits, bytes.data() + bytes.size(), number);
      const std::size_t after = static_cast<std::size_t>(end - bytes.data());
      if (error == std::errc() && bytes.compare(after, 1 + kTicketEnd.size(), ";" + kTicketEnd) == 0) {
        printed.whole.push_back(number);
      } else {
        ++printed.cutOff;
      }
    }
  }
  return printed;
}

// Switches printers off and on at random until told to stop.
class PowerCuts {
 public:
  PowerCuts(std::array<std::unique_ptr<FakeNetworkPrinter>, kPrinters>& printers, unsigned seed)
      : thread_([this, &printers, seed] { run(printers, seed); }) {}
  ~PowerCuts() {
    stop_ = true;
    thread_.join();
  }
  int count() const { return count_; }

 private:
  void run(std::array<std::unique_ptr<FakeNetworkPrinter>, kPrinters>& printers, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> pick(0, kPrinters - 1);
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

int countLines(const std::string& text, const std::string& line) {
  int count = 0;
  for (std::size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1)) ++count;
  return count;
}

using KitchenSoakTest = NetPrinterTest;

TEST_F(KitchenSoakTest, EveryTicketComesOutOnceInOrderWhilePrintersFail) {
  std::array<std::unique_ptr<FakeNetworkPrinter>, kPrinters> printers;
  for (int i = 0; i < kPrinters; ++i) {
    printers[i] = std::make_unique<FakeNetworkPrinter>(kAddresses[i]);
    call(startIPPrintTask, {arg(kAddresses[i]), arg(i)});
  }
  const unsigned seed = std::random_device{}();
  RecordProperty("seed", std::to_string(seed));
  std::mt19937 random(seed);
  std::array<std::vector<int>, kPrinters> handedOver;
  int runs = 0;
  int powerCuts = 0;
  {
    PowerCuts cuts(printers, seed + 1);
    std::uniform_int_distribution<int> batch(1, 20);
    std::uniform_int_distribution<int> slot(0, kPrinters - 1);
    for (int ticket = 0; ticket < kTickets;) {
      for (int n = batch(random); n > 0 && ticket < kTickets; --n, ++ticket) {
        const int printer = slot(random);
        call(addMultiPrinterTaskItem, {arg(printer), arg(""), arg(ticketText(ticket).c_str()), arg(""),
                                       arg(0), arg(true), arg(0)});
        handedOver[printer].push_back(ticket);
      }
      call(printMultiKitchenTaskList, {});
      ++runs;
    }
    powerCuts = cuts.count();
  }
  // Every printer is on again: the tickets still waiting go out now.
  call(printMultiKitchenTaskList, {});
  ++runs;

  int whole = 0;
  int again = 0;
  int cutOff = 0;
  for (int i = 0; i < kPrinters; ++i) {
    // The last ticket is the last thing its printer gets; once it is in,
    // every connection the printer accepted has all it will get.
    printers[i]->waitForText(ticketText(handedOver[i].back()) + kTicketEnd);
    const std::size_t connections = printers[i]->waitForConnections(0);
    const PrintedTickets printed = readTickets(printers[i]->waitForClosedConnections(connections));
    std::vector<int> firstPrints;
    std::set<int> seen;
    for (const int ticket : printed.whole) {
      if (seen.insert(ticket).second) firstPrints.push_back(ticket);
    }
    // Nothing lost, nothing on the wrong printer, first prints in the order taken.
    EXPECT_EQ(firstPrints, handedOver[i]) << "printer " << kAddresses[i] << ", seed " << seed;
    whole += static_cast<int>(firstPrints.size());
    again += static_cast<int>(printed.whole.size() - firstPrints.size());
    cutOff += printed.cutOff;
  }
  const std::string messages = dialogs();
  const int failedMidRun = countLines(messages, "设备未就绪!");
  // A ticket goes again only after a printer failed during a run.
  if (failedMidRun == 0) {
    EXPECT_EQ(again + cutOff, 0);
  }
  std::cout << "kitchen soak (seed " << seed << "): " << kTickets << " tickets handed over, " << whole
            << " printed, " << again << " printed again after a reset, " << cutOff << " cut off; " << runs
            << " runs, " << countLines(messages, "参数错误!") << " refused at connect, " << failedMidRun
            << " failed mid-run; " << powerCuts << " power cuts\n";
}

}  // namespace
}  // namespace lumetra::test
