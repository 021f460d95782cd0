// Print tasks while six network printers fail at random in every way a
// printer fails (refusing, not answering, not reading, resetting): every
// task the page handed over must come out whole on its printer, in the
// order it was sent, with no retry message from anyone; only a task a
// fault hit may come out again. LUMETRA_SOAK_SEED replays a run.
#include <iostream>
#include <random>

#include "handover/task_list_handover.h"
#include "support/net_printer_fixture.h"
#include "support/printer_faults.h"

namespace lumetra::test {
namespace {

constexpr int kTasks = 1000;
constexpr int kPrinters = 6;
const std::string kInitialise = hexBytes("1b 40");

std::string ticketTask(const std::string& address, int number) {
  return R"({"printerName":"Bar","ipaddress":")" + address +
         R"(","printerType":3,"printerModel":"","contents":[{"type":0,"content":")" + ticketText(number) +
         R"(","remark":8}]})";
}

using PrintTaskSoakTest = NetPrinterTest;

TEST_F(PrintTaskSoakTest, EveryTaskComesOutInOrderWhilePrintersFail) {
  std::vector<std::unique_ptr<FakeNetworkPrinter>> printers;
  for (int i = 0; i < kPrinters; ++i) {
    printers.push_back(std::make_unique<FakeNetworkPrinter>("127.0.11." + std::to_string(30 + i)));
  }
  const unsigned seed = soakSeed();
  std::mt19937 random(seed);
  std::vector<std::vector<int>> handedOver(kPrinters);
  int lists = 0;
  std::map<PrinterFault, int> faults;
  {
    PrinterFaults failing(printers, seed + 1, 3 * quickDeliveryTimings().ticket.answerWait);
    std::uniform_int_distribution<int> batch(1, 8);
    std::uniform_int_distribution<int> pick(0, kPrinters - 1);
    for (int task = 0; task < kTasks; ++lists) {
      std::string list = "[";
      for (int n = batch(random); n > 0 && task < kTasks; --n, ++task) {
        const int printer = pick(random);
        list += (list.size() > 1 ? "," : "") + ticketTask(printers[printer]->address(), task);
        handedOver[printer].push_back(task);
      }
      processTaskList(context_.jobs, list + "]");
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    faults = failing.counts();
  }
  ASSERT_TRUE(waitUntilDelivered(context_.jobs)) << "seed " << seed;

  const SoakTally tally = tallySoak(printers, handedOver, kInitialise, "");
  EXPECT_EQ(tally.faults, "") << "seed " << seed;
  EXPECT_EQ(tally.printed, kTasks) << "seed " << seed;
  std::set<std::string> reasons;
  for (const auto& printer : printers) reasons.merge(backlog_.reasonsSeen(printer->address()));
  // A printer that stops reading acknowledges these short tickets whole and
  // has them: it is seldom seen to stop taking bytes.
  reasons.erase("打印机停止接收数据");
  EXPECT_EQ(reasons, (std::set<std::string>{"打印机拒绝连接", "无法连接", "打印中断，将重新打印"})) << "seed " << seed;
  std::cout << "print task soak (seed " << seed << "): " << kTasks << " tasks in " << lists << " lists to " << kPrinters
            << " printers, " << tally.printed << " printed, " << tally.reprinted << " printed again and "
            << tally.cutOff << " cut off (" << tally.hit << " hit by a fault), " << tally.markedCopies
            << " headed as copies; faults:";
  for (const auto& [fault, count] : faults) std::cout << " " << faultName(fault) << " " << count;
  std::cout << "\n";
}

}  // namespace
}  // namespace lumetra::test
