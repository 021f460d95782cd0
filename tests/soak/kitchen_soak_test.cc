// Kitchen tickets while six kitchen printers fail at random in every way a
// printer fails (refusing, not answering, not reading, resetting): every
// ticket the page handed over must come out whole on its own printer, in
// the order it was taken, without the page waiting for any printer; only a
// ticket a fault hit may come out again. LUMETRA_SOAK_SEED replays a run.
#include <iostream>
#include <random>

#include "functions/network_functions.h"
#include "support/net_printer_fixture.h"
#include "support/printer_faults.h"

namespace lumetra::test {
namespace {

constexpr int kTickets = 1000;
constexpr int kPrinters = 6;

// What the fixture's command table makes of a ticket with no zoom and a cut.
const std::string kNormalSize = hexBytes("1b 21 00");
const std::string kTicketEnd = kNormalSize + hexBytes("1d 56 01");

using KitchenSoakTest = NetPrinterTest;

TEST_F(KitchenSoakTest, EveryTicketComesOutInOrderWhilePrintersFail) {
  std::vector<std::unique_ptr<FakeNetworkPrinter>> printers;
  for (int i = 0; i < kPrinters; ++i) {
    printers.push_back(std::make_unique<FakeNetworkPrinter>("127.0.11." + std::to_string(20 + i)));
    call("startIPPrintTask", {arg(printers.back()->address().c_str()), arg(i)});
  }
  const unsigned seed = soakSeed();
  std::mt19937 random(seed);
  std::vector<std::vector<int>> handedOver(kPrinters);
  int runs = 0;
  std::map<PrinterFault, int> faults;
  {
    PrinterFaults failing(printers, seed + 1, 3 * quickDeliveryTimings().ticket.answerWait);
    std::uniform_int_distribution<int> batch(1, 20);
    std::uniform_int_distribution<int> slot(0, kPrinters - 1);
    for (int ticket = 0; ticket < kTickets; ++runs) {
      for (int n = batch(random); n > 0 && ticket < kTickets; --n, ++ticket) {
        const int printer = slot(random);
        call("addMultiPrinterTaskItem",
             {arg(printer), arg(""), arg(ticketText(ticket).c_str()), arg(""), arg(0), arg(true), arg(0)});
        handedOver[printer].push_back(ticket);
      }
      call("printMultiKitchenTaskList", {});
      std::this_thread::sleep_for(std::chrono::milliseconds(45));
    }
    faults = failing.counts();
  }
  ASSERT_TRUE(waitUntilDelivered(context_.jobs)) << "seed " << seed;

  const SoakTally tally = tallySoak(printers, handedOver, kNormalSize, kTicketEnd);
  EXPECT_EQ(tally.faults, "") << "seed " << seed;
  EXPECT_EQ(tally.printed, kTickets) << "seed " << seed;
  std::set<std::string> reasons;
  for (const auto& printer : printers) reasons.merge(backlog_.reasonsSeen(printer->address()));
  // A printer that stops reading acknowledges these short tickets whole and
  // has them: it is seldom seen to stop taking bytes.
  reasons.erase("打印机停止接收数据");
  EXPECT_EQ(reasons, (std::set<std::string>{"打印机拒绝连接", "无法连接", "打印中断，将重新打印"})) << "seed " << seed;
  EXPECT_EQ(dialogs(), "");
  std::cout << "kitchen soak (seed " << seed << "): " << kTickets << " tickets in " << runs << " runs to " << kPrinters
            << " printers, " << tally.printed << " printed, " << tally.reprinted << " printed again and "
            << tally.cutOff << " cut off (" << tally.hit << " hit by a fault), " << tally.markedCopies
            << " headed as copies; faults:";
  for (const auto& [fault, count] : faults) std::cout << " " << faultName(fault) << " " << count;
  std::cout << "\n";
}

}  // namespace
}  // namespace lumetra::test
