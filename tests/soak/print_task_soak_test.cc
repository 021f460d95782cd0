// Print tasks while the network printers are switched off and on at random,
// with the pending retry running: every task the page handed over must come
// out whole on its printer, in the order it was sent. A printer that resets
// a connection may have lost what it held, so those tasks come out again.
#include <iostream>

#include "jobs/pending_tasks.h"
#include "jobs/print_task_list.h"
#include "support/net_printer_test.h"
#include "support/power_cuts.h"

namespace lumetra::test {
namespace {

constexpr int kTasks = 1000;
const std::vector<std::string> kAddresses{"127.0.11.30", "127.0.11.31", "127.0.11.32"};
const std::string kInitialise = hexBytes("1b 40");

std::string ticketTask(const std::string& address, int number) {
  return R"({"printerName":"Bar","ipaddress":")" + address +
         R"(","printerType":3,"printerModel":"","contents":[{"type":0,"content":")" + ticketText(number) +
         R"(","remark":8}]})";
}

using PrintTaskSoakTest = NetPrinterTest;

TEST_F(PrintTaskSoakTest, EveryTaskComesOutInOrderWhilePrintersFail) {
  std::vector<std::unique_ptr<FakeNetworkPrinter>> printers;
  for (const std::string& address : kAddresses) printers.push_back(std::make_unique<FakeNetworkPrinter>(address));
  const unsigned seed = std::random_device{}();
  std::mt19937 random(seed);
  std::vector<std::vector<int>> handedOver(kAddresses.size());
  int lists = 0;
  int powerCuts = 0;
  context_.jobs.retryInterval = std::chrono::milliseconds(5);
  startPendingTaskRetry(context_.jobs);
  {
    PowerCuts cuts(printers, seed + 1);
    std::uniform_int_distribution<int> batch(1, 8);
    std::uniform_int_distribution<std::size_t> pick(0, kAddresses.size() - 1);
    for (int task = 0; task < kTasks; ++lists) {
      std::string list = "[";
      for (int n = batch(random); n > 0 && task < kTasks; --n, ++task) {
        const std::size_t printer = pick(random);
        list += (list.size() > 1 ? "," : "") + ticketTask(kAddresses[printer], task);
        handedOver[printer].push_back(task);
      }
      processTaskList(context_.jobs, list + "]");
    }
    powerCuts = cuts.count();
  }
  context_.jobs.retry.stop();
  const std::size_t pendingAtEnd = context_.jobs.pending.all().size();
  // Every printer is on again: one pass prints what still waits.
  retryPendingTasks(context_.jobs);
  EXPECT_EQ(context_.jobs.pending.all(), std::vector<std::string>{});

  int printed = 0;
  int again = 0;
  int cutOff = 0;
  for (std::size_t i = 0; i < kAddresses.size(); ++i) {
    const PrintedTickets tickets =
        readTickets(connectionsEndingWith(*printers[i], handedOver[i].back(), ""), kInitialise, "");
    EXPECT_EQ(ticketFaults(handedOver[i], tickets), "") << kAddresses[i] << ", seed " << seed;
    printed += static_cast<int>(tickets.firstPrints().size());
    again += tickets.printedAgain();
    cutOff += tickets.cutOff;
  }
  std::cout << "print task soak (seed " << seed << "): " << kTasks << " tasks handed over in " << lists
            << " lists, " << printed << " printed, " << again << " printed again after a reset, " << cutOff
            << " cut off; " << pendingAtEnd << " still pending when the cuts stopped; " << powerCuts
            << " power cuts\n";
}

}  // namespace
}  // namespace lumetra::test
