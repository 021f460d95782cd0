// What the staff are shown of each printer, from what the delivery threads
// report and the outbox refuses, without the threads: the test tells the
// board what they would.
#include "delivery/printer_board.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/temp_dir.h"
#include "support/test_context.h"

namespace lumetra {
namespace {

const PrinterKey kBar{PrinterKind::network, "10.0.0.7"};
const PrinterKey kOther{PrinterKind::network, "10.0.0.8"};
const PrinterKey kKitchen{PrinterKind::spooler, "厨房"};

Ticket ticket(const PrinterKey& printer) { return Ticket{printer, {"\x1b@", "text"}}; }

class PrinterBoardTest : public ::testing::Test {
 protected:
  void open(OutboxLimits limits = {}) {
    outbox_.emplace(limits);
    outbox_->open(folder_.path());
    board_.emplace(*outbox_);
  }

  // Hands over as the delivery does.
  void handOver(std::vector<Ticket> tickets) { board_->refused(outbox_->handOver(std::move(tickets))); }
  void deliverFirst(const PrinterKey& printer) {
    board_->delivered(printer, outbox_->delivered(printer, outbox_->first(printer)->id));
  }

  // The notice's printers as "printer: waiting, reason", "+" marking a
  // time since when; "unchanged" when there is no change to tell.
  std::vector<std::string> shown() {
    const std::optional<BacklogReport> change = board_->backlogChange();
    if (!change) return {"unchanged"};
    std::vector<std::string> lines;
    for (const PrinterBacklog& printer : change->printers) {
      lines.push_back(printer.printer + ": " + std::to_string(printer.waiting) +
                      (printer.sinceUnixSeconds > 0 ? "+ " : " ") + test::staffReason(printer));
    }
    return lines;
  }

  // Every printer's state as "printer/kind: waiting oldest? reason condition
  // delivered/failed", oldest as "old" when set; "unchanged" when
  // statesChanged() says so.
  std::vector<std::string> states() {
    if (!board_->statesChanged()) return {"unchanged"};
    std::vector<std::string> lines;
    for (const PrinterState& state : board_->states()) {
      lines.push_back(state.printer.name + "/" + std::string(printerKindWord(state.printer.kind)) + ": " +
                      std::to_string(state.waiting) + (state.oldestUnixSeconds > 0 ? " old " : " ") + "[" +
                      std::string(troubleCode(state.reason)) + "] [" + std::string(troubleCode(state.condition)) +
                      "] " + std::to_string(state.delivered) + "/" + std::to_string(state.failed));
    }
    return lines;
  }

  test::TempDir folder_;
  std::optional<Outbox> outbox_;
  std::optional<PrinterBoard> board_;
};

TEST_F(PrinterBoardTest, RefusedTicketsAreShownUntilTheOutboxHasRoomForThePrinterAgain) {
  open(OutboxLimits{.ticketsPerPrinter = 2, .tickets = 4, .ticketsPerUnknownPrinter = 1});
  handOver({ticket(kKitchen)});
  deliverFirst(kKitchen);  // a printer known to print
  const PrinterKey third{PrinterKind::network, "10.0.0.9"};
  handOver({ticket(kBar), ticket(kBar), ticket(kKitchen), ticket(kKitchen), ticket(kKitchen), ticket(kOther),
            ticket(third)});
  EXPECT_EQ(shown(), (std::vector<std::string>{"厨房: 2+ 等待的小票已满，新小票未能接收",
                                               "10.0.0.7: 1+ 从未打印成功的打印机等待的小票已满，新小票未能接收",
                                               "10.0.0.9: 0+ 所有打印机等待的小票已满，新小票未能接收"}));
  EXPECT_EQ(shown(), std::vector<std::string>{"unchanged"});
  deliverFirst(kKitchen);
  EXPECT_EQ(shown(), std::vector<std::string>{"10.0.0.7: 1+ 从未打印成功的打印机等待的小票已满，新小票未能接收"});
  deliverFirst(kBar);
  EXPECT_EQ(shown(), std::vector<std::string>{});

  // A page naming printers without end does not make the board grow without end.
  std::vector<Ticket> many;
  for (int i = 0; i < 300; ++i) many.push_back(ticket(PrinterKey{PrinterKind::network, "10.1.0." + std::to_string(i)}));
  handOver(std::move(many));
  EXPECT_EQ(board_->backlogChange().value().printers.size(), 256u);
}

TEST_F(PrinterBoardTest, ATroubleIsShownWhileTicketsWaitFromWhenItBeganAndEndsWithTheLastOfThem) {
  open();
  board_->troubled(kBar, Trouble::refused);
  EXPECT_EQ(shown(), std::vector<std::string>{"unchanged"}) << "nothing waits for it";
  handOver({ticket(kBar), ticket(kBar), ticket(kKitchen)});
  board_->troubled(kKitchen, Trouble::queueMissing);
  board_->troubled(kBar, Trouble::refused);
  EXPECT_EQ(shown(), (std::vector<std::string>{"厨房: 1+ 找不到打印队列", "10.0.0.7: 2+ 打印机拒绝连接"}));
  board_->troubled(kBar, Trouble::unanswered);
  deliverFirst(kBar);
  EXPECT_EQ(shown(), (std::vector<std::string>{"厨房: 1+ 找不到打印队列", "10.0.0.7: 1+ 无法连接"}));
  board_->troubled(kKitchen, Trouble::none);
  deliverFirst(kBar);
  EXPECT_EQ(shown(), std::vector<std::string>{});
  handOver({ticket(kBar)});
  EXPECT_EQ(shown(), std::vector<std::string>{"unchanged"}) << "a trouble ends with the tickets it held";
}

TEST_F(PrinterBoardTest, APrintersConditionShowsWithOrWithoutTicketsUntilClearedAndATroubleGoesFirst) {
  open();
  board_->printerCondition(kBar, Trouble::paperNearEnd);
  board_->printerCondition(kKitchen, Trouble::queuePaused);
  EXPECT_EQ(shown(), (std::vector<std::string>{"厨房: 0 打印队列已暂停", "10.0.0.7: 0 打印纸将用尽，请准备换纸"}));
  board_->printerCondition(kBar, Trouble::paperNearEnd);
  EXPECT_EQ(shown(), std::vector<std::string>{"unchanged"});

  // Printers with tickets waiting come first, each group in printer order.
  handOver({ticket(kKitchen)});
  board_->troubled(kKitchen, Trouble::queueRefused);
  EXPECT_EQ(shown(), (std::vector<std::string>{"厨房: 1+ 打印队列拒绝接收", "10.0.0.7: 0 打印纸将用尽，请准备换纸"}));
  handOver({ticket(kBar)});
  board_->troubled(kBar, Trouble::paperEnd);
  board_->troubled(kKitchen, Trouble::none);
  EXPECT_EQ(shown(), (std::vector<std::string>{"厨房: 1 打印队列已暂停", "10.0.0.7: 1+ 打印机缺纸，请装纸"}));

  deliverFirst(kBar);
  EXPECT_EQ(shown(), (std::vector<std::string>{"厨房: 1 打印队列已暂停", "10.0.0.7: 0 打印纸将用尽，请准备换纸"}));
  board_->printerCondition(kBar, Trouble::none);
  board_->printerCondition(kKitchen, Trouble::none);
  EXPECT_EQ(shown(), std::vector<std::string>{});
}

// What the page and the metrics are told: every printer that has tickets
// waiting, something to show, or counts, with a reason only while tickets
// wait or are refused, and a change only when any of it changed.
TEST_F(PrinterBoardTest, StatesCountDeliveredAndRefusedTicketsAndGiveReasonsOnlyWhileTicketsWait) {
  open(OutboxLimits{.ticketsPerUnknownPrinter = 2});
  EXPECT_EQ(states(), std::vector<std::string>{"unchanged"});
  handOver({ticket(kBar), ticket(kBar), ticket(kBar), ticket(kKitchen)});
  board_->troubled(kBar, Trouble::paperEnd);
  board_->printerCondition(kOther, Trouble::paperNearEnd);
  EXPECT_EQ(states(), (std::vector<std::string>{"厨房/spooler: 1 old [] [] 0/0",
                                                "10.0.0.7/network: 2 old [unknown-printer-full] [] 0/1",
                                                "10.0.0.8/network: 0 [] [paper-near-end] 0/0"}));
  EXPECT_EQ(states(), std::vector<std::string>{"unchanged"});

  deliverFirst(kBar);
  deliverFirst(kKitchen);
  EXPECT_EQ(states(),
            (std::vector<std::string>{"厨房/spooler: 0 [] [] 1/0", "10.0.0.7/network: 1 old [paper-end] [] 1/1",
                                      "10.0.0.8/network: 0 [] [paper-near-end] 0/0"}))
      << "a printer that confirmed a ticket is no longer refused: its trouble shows";
  board_->troubled(kBar, Trouble::stalled);
  deliverFirst(kBar);
  EXPECT_EQ(states(), (std::vector<std::string>{"厨房/spooler: 0 [] [] 1/0", "10.0.0.7/network: 0 [] [] 2/1",
                                                "10.0.0.8/network: 0 [] [paper-near-end] 0/0"}));
  // A printer whose tickets go to its backup says so, with none waiting
  // for it, until it takes tickets again.
  board_->onBackup(kOther, true);
  EXPECT_EQ(states(), (std::vector<std::string>{"厨房/spooler: 0 [] [] 1/0", "10.0.0.7/network: 0 [] [] 2/1",
                                                "10.0.0.8/network: 0 [moved-to-backup] [paper-near-end] 0/0"}));
  board_->onBackup(kOther, false);
  EXPECT_EQ(states(), (std::vector<std::string>{"厨房/spooler: 0 [] [] 1/0", "10.0.0.7/network: 0 [] [] 2/1",
                                                "10.0.0.8/network: 0 [] [paper-near-end] 0/0"}));

  // However many printers a page names, the states stay bounded, and the
  // printers that ever printed stay in them.
  std::vector<Ticket> many;
  for (int i = 0; i < 300; ++i) many.push_back(ticket(PrinterKey{PrinterKind::network, "10.0.0." + std::to_string(i)}));
  handOver(std::move(many));
  const std::vector<PrinterState> bounded = board_->states();
  EXPECT_EQ(bounded.size(), 256u);
  EXPECT_EQ(bounded.front().printer, kKitchen);
  EXPECT_TRUE(std::ranges::is_sorted(bounded, {}, &PrinterState::printer));
  EXPECT_EQ(std::ranges::count(bounded, kBar, &PrinterState::printer), 1);
}

}  // namespace
}  // namespace lumetra
