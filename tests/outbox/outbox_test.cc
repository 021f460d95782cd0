// The outbox's journal: what survives a restart, a torn or damaged file, the
// limits and compaction. The delivery threads are not involved: the test
// takes the tickets itself, as they would.
#include "outbox/outbox.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "support/breakable_journal_files.h"
#include "support/captured_log.h"
#include "support/temp_dir.h"

namespace lumetra {
namespace {

using Call = test::BreakableJournalFiles::Call;

const PrinterKey kBar{PrinterKind::network, "10.0.0.7"};
const PrinterKey kKitchen{PrinterKind::spooler, "厨房"};

Ticket ticket(const PrinterKey& printer, const std::string& text) { return Ticket{printer, {"\x1b@", text}}; }

class OutboxTest : public ::testing::Test {
 protected:
  std::filesystem::path journal() const { return folder_.path() / "outbox.journal"; }

  std::unique_ptr<Outbox> opened(OutboxLimits limits = {}) {
    auto outbox = std::make_unique<Outbox>(limits, files_);
    outbox->open(folder_.path());
    return outbox;
  }

  // Takes every waiting ticket as the delivery would, each printer's in
  // order: "printer:text" each.
  static std::vector<std::string> deliverAll(Outbox& outbox) {
    std::vector<std::string> delivered;
    for (const PrinterKind kind : {PrinterKind::network, PrinterKind::spooler}) {
      for (const PrinterKey& printer : outbox.printersWaiting(kind)) {
        while (std::optional<TicketToDeliver> next = outbox.first(printer)) {
          delivered.push_back(printer.name + ":" + next->ticket.writes.at(1));
          outbox.delivered(printer, next->id);
        }
      }
    }
    return delivered;
  }

  // Where the records end: the journal keeps zero-filled room after them.
  std::uint64_t recordsEnd() const {
    const std::string bytes = test::readFile(journal());
    return bytes.find_last_not_of('\0') + 1;
  }

  void damageByte(std::uint64_t offset, char mask = 0x5a) const {
    std::fstream file(journal(), std::ios::in | std::ios::out | std::ios::binary);
    file.seekg(static_cast<std::streamoff>(offset));
    const char byte = static_cast<char>(file.get() ^ mask);
    file.seekp(static_cast<std::streamoff>(offset));
    file.put(byte);
  }

  // Hands over `count` tickets of about 4 KB, every other for each
  // printer, and delivers all but the last `left`, which makes compaction
  // worth it on the way. The texts left waiting, as deliverAll gives them.
  static std::vector<std::string> halfDelivered(Outbox& outbox, int count, int left) {
    std::vector<Ticket> tickets;
    for (int i = 0; i < count; ++i) {
      tickets.push_back(ticket(i % 2 ? kBar : kKitchen, std::to_string(i) + std::string(4000, 'p')));
    }
    outbox.handOver(std::move(tickets));
    for (int i = 0; i < count - left; ++i) {
      const PrinterKey& printer = i % 2 ? kBar : kKitchen;
      outbox.delivered(printer, outbox.first(printer)->id);
    }
    std::vector<std::string> waiting;
    for (const int parity : {1, 0}) {
      for (int i = count - left; i < count; ++i) {
        if (i % 2 == parity)
          waiting.push_back((parity ? "10.0.0.7:" : "厨房:") + std::to_string(i) + std::string(4000, 'p'));
      }
    }
    return waiting;
  }

  test::TempDir folder_;
  test::BreakableJournalFiles files_;
};

TEST_F(OutboxTest, WaitingTicketsSurviveARestartInTheirOrderAndDeliveredOnesDoNot) {
  {
    auto outbox = opened();
    outbox->handOver({ticket(kBar, "1"), ticket(kKitchen, "2"), ticket(kBar, "3")});
    outbox->handOver({ticket(kBar, "4")});
    const std::optional<TicketToDeliver> first = outbox->first(kBar);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->ticket.writes, (std::vector<std::string>{"\x1b@", "1"}));
    outbox->delivered(kBar, first->id);
  }
  auto outbox = opened();
  EXPECT_EQ(outbox->waiting(), 3u);
  outbox->handOver({ticket(kBar, "5")});  // after the ones read back
  EXPECT_EQ(deliverAll(*outbox), (std::vector<std::string>{"10.0.0.7:3", "10.0.0.7:4", "10.0.0.7:5", "厨房:2"}));
  EXPECT_TRUE(deliverAll(*opened()).empty());
}

TEST_F(OutboxTest, ATornLastRecordIsSkippedWithOneNoteAndTheJournalMendedForWhatFollows) {
  opened()->handOver({ticket(kBar, "kept 1"), ticket(kBar, "kept 2"), ticket(kBar, "torn")});
  // The last record's last bytes never reached the disk: they read as the
  // zeros that were there.
  const std::uint64_t end = recordsEnd();
  for (std::uint64_t at = end - 3; at < end; ++at) damageByte(at, test::readFile(journal())[at]);

  std::unique_ptr<Outbox> outbox;
  {
    test::CapturedLog log;
    outbox = opened();
    EXPECT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.count("damaged bytes"), 1u);
  }
  outbox->handOver({ticket(kBar, "after")});
  outbox.reset();

  test::CapturedLog log;
  outbox = opened();
  EXPECT_TRUE(log.lines().empty());
  EXPECT_EQ(deliverAll(*outbox), (std::vector<std::string>{"10.0.0.7:kept 1", "10.0.0.7:kept 2", "10.0.0.7:after"}));
}

TEST_F(OutboxTest, DamageInsideTheJournalCostsOnlyTheRecordItHit) {
  opened()->handOver({ticket(kBar, "one"), ticket(kKitchen, "two"), ticket(kBar, "three")});
  damageByte(recordsEnd() / 2);  // inside the second of three records of about equal size

  test::CapturedLog log;
  auto outbox = opened();
  EXPECT_EQ(log.count("damaged bytes"), 1u);
  EXPECT_EQ(deliverAll(*outbox), (std::vector<std::string>{"10.0.0.7:one", "10.0.0.7:three"}));
}

// A page chooses a ticket's bytes: they may hold whole records, framed as
// the journal frames them (a ticket for another printer, an earlier ticket
// marked delivered). When the record around them is damaged, the search for
// the next sound record must not take them for the journal's own.
TEST_F(OutboxTest, RecordsHiddenInADamagedTicketsBytesAreNeverTakenForTheJournals) {
  auto outbox = opened();
  outbox->handOver({ticket(kBar, "one")});
  const std::string forged = ticketRecord(TicketRecord{99, 0, ticket(kKitchen, "forged")}, std::nullopt) +
                             deliveredRecord(1, std::nullopt) + deliveredRecord(1, 0);
  outbox->handOver({ticket(kBar, forged), ticket(kBar, "three")});
  const std::string bytes = test::readFile(journal());
  damageByte(bytes.find(forged) - 40);  // in the second ticket's record, ahead of what it hides
  outbox.reset();

  test::CapturedLog log;
  EXPECT_EQ(deliverAll(*opened()), (std::vector<std::string>{"10.0.0.7:one", "10.0.0.7:three"}));
  EXPECT_EQ(log.count("damaged bytes"), 1u);
}

TEST_F(OutboxTest, AJournalOfTheFirstFormatIsReadAndWrittenAnewWithASalt) {
  const auto record = [](std::uint64_t id, const PrinterKey& printer, const std::string& text) {
    return ticketRecord(TicketRecord{id, 1700000000, ticket(printer, text)}, std::nullopt);
  };
  folder_.write("outbox.journal", "LUMETRA OUTBOX 1" + record(1, kBar, "1") + record(2, kKitchen, "2") +
                                      deliveredRecord(1, std::nullopt) + record(3, kBar, "3"));
  std::unique_ptr<Outbox> outbox;
  {
    test::CapturedLog log;
    outbox = opened();
    EXPECT_TRUE(log.lines().empty());
  }
  EXPECT_TRUE(test::readFile(journal()).starts_with("LUMETRA OUTBOX 2"));
  outbox->handOver({ticket(kBar, "4")});
  outbox.reset();
  EXPECT_EQ(deliverAll(*opened()), (std::vector<std::string>{"10.0.0.7:3", "10.0.0.7:4", "厨房:2"}));
}

TEST_F(OutboxTest, AFileThatIsNoJournalIsPassedOverAndReplaced) {
  folder_.write("outbox.journal", std::string(5000, 'x'));
  test::CapturedLog log;
  opened()->handOver({ticket(kKitchen, "new")});
  EXPECT_EQ(log.count("skipped 5000 damaged bytes"), 1u);
  EXPECT_EQ(deliverAll(*opened()), std::vector<std::string>{"厨房:new"});
}

TEST_F(OutboxTest, LimitsRefuseNewTicketsSayWhyAndDropNoneWaiting) {
  auto outbox = opened(OutboxLimits{2, 3, std::uint64_t{1} << 20});
  const PrinterKey other{PrinterKind::network, "10.0.0.8"};
  test::CapturedLog log;
  EXPECT_EQ(outbox->handOver({ticket(kBar, "1"), ticket(kBar, "2"), ticket(kBar, "3"), ticket(kKitchen, "4"),
                              ticket(other, "5"), ticket(kBar, "6")}),
            (std::vector<Refused>{{kBar, OverLimit::printerFull, 2}, {other, OverLimit::outboxFull, 1}}));
  EXPECT_EQ(log.lines(),
            (std::vector<std::string>{"warning: outbox: 2 tickets already wait for 10.0.0.7; 2 more were not taken",
                                      "warning: outbox: 3 tickets (0 MiB) already wait for their printers; 1 more for "
                                      "10.0.0.8 were not taken"}));
  EXPECT_EQ(outbox->wouldRefuse(kBar), OverLimit::printerFull);
  EXPECT_EQ(outbox->wouldRefuse(other), OverLimit::outboxFull);

  EXPECT_EQ(outbox->delivered(kBar, outbox->first(kBar)->id), 1u);
  EXPECT_EQ(outbox->wouldRefuse(kBar), OverLimit::none);
  EXPECT_EQ(outbox->wouldRefuse(other), OverLimit::none);
  EXPECT_EQ(deliverAll(*outbox), (std::vector<std::string>{"10.0.0.7:2", "厨房:4"}));

  // However many printers a page names, stderr gets a few lines.
  std::vector<Ticket> many(3, ticket(kKitchen, "to fill"));
  for (int i = 0; i < 20; ++i)
    many.push_back(ticket(PrinterKey{PrinterKind::network, "10.0.1." + std::to_string(i)}, "x"));
  test::CapturedLog manyLog;
  EXPECT_EQ(outbox->handOver(std::move(many)).size(), 20u);
  EXPECT_EQ(manyLog.lines().size(), 9u);
  EXPECT_EQ(manyLog.count("tickets for 20 printers were not taken; the first 8:"), 1u);
}

// A printer that has never confirmed a ticket holds at most its share, so
// that addresses that never answer cannot fill the outbox; one that has
// confirmed a ticket is known from then on, also after a restart.
TEST_F(OutboxTest, APrinterThatNeverConfirmedATicketHoldsOnlyItsShare) {
  const OutboxLimits limits{.ticketsPerPrinter = 6,
                            .tickets = 100,
                            .bytes = std::uint64_t{1} << 20,
                            .ticketsPerUnknownPrinter = 2,
                            .unknownPrinterTickets = 3,
                            .unknownPrinterBytes = std::uint64_t{1} << 20};
  const PrinterKey other{PrinterKind::network, "10.0.0.8"};
  const auto deliverOne = [](Outbox& outbox, const PrinterKey& printer) {
    outbox.handOver({ticket(printer, "first")});
    outbox.delivered(printer, outbox.first(printer)->id);
  };
  // The journal is let go before it is opened again.
  const auto restart = [&](std::unique_ptr<Outbox>& outbox) {
    outbox.reset();
    outbox = opened(limits);
  };
  struct Case {
    const char* what;
    std::function<void(std::unique_ptr<Outbox>&)> before;
    std::size_t taken;  // of 5 for the bar printer
  };
  const Case cases[] = {
      {"never confirmed", [](auto&) {}, 2},
      {"confirmed a ticket", [&](auto& outbox) { deliverOne(*outbox, kBar); }, 5},
      {"confirmed before a restart",
       [&](auto& outbox) {
         deliverOne(*outbox, kBar);
         restart(outbox);
       },
       5},
      {"confirmed before its journal was mended at a restart",
       [&](auto& outbox) {
         deliverOne(*outbox, kBar);
         outbox.reset();
         std::ofstream(journal(), std::ios::app) << "damage";
         restart(outbox);
         restart(outbox);
       },
       5},
      {"delivered in a journal of the first format",
       [&](auto& outbox) {
         outbox.reset();
         folder_.write("outbox.journal", "LUMETRA OUTBOX 1" +
                                             ticketRecord(TicketRecord{1, 0, ticket(kBar, "1")}, std::nullopt) +
                                             ticketRecord(TicketRecord{2, 0, ticket(other, "2")}, std::nullopt) +
                                             deliveredRecord(1, std::nullopt));
         outbox = opened(limits);
         restart(outbox);
       },
       5},
      {"its only ticket dropped unreadable",
       [&](auto& outbox) {
         outbox->handOver({ticket(kBar, "unreadable")});
         files_.fail(Call::read, 2);
         EXPECT_FALSE(outbox->first(kBar));
       },
       2},
      {"other unknown printers hold all their share",
       [&](auto& outbox) {
         outbox->handOver({ticket(other, "1"), ticket(other, "2"), ticket(kKitchen, "3")});
       },
       0},
      {"another printer confirmed one of the tickets it holds",
       [&](auto& outbox) {
         outbox->handOver({ticket(other, "1"), ticket(kKitchen, "2"), ticket(kKitchen, "3")});
         outbox->delivered(kKitchen, outbox->first(kKitchen)->id);
       },
       2},
  };
  for (const Case& known : cases) {
    SCOPED_TRACE(known.what);
    std::filesystem::remove(journal());
    auto outbox = opened(limits);
    known.before(outbox);
    const std::size_t waitingBefore = outbox->waitingFor(kBar);
    test::CapturedLog log;
    const std::vector<Refused> refused = outbox->handOver(
        {ticket(kBar, "a"), ticket(kBar, "b"), ticket(kBar, "c"), ticket(kBar, "d"), ticket(kBar, "e")});
    EXPECT_EQ(outbox->waitingFor(kBar) - waitingBefore, known.taken);
    if (known.taken == 5) {
      EXPECT_TRUE(refused.empty());
      EXPECT_TRUE(log.lines().empty());
    } else {
      EXPECT_EQ(refused, (std::vector<Refused>{{kBar, OverLimit::unknownPrinterFull, 5 - known.taken}}));
      EXPECT_EQ(log.count("10.0.0.7 has never printed a ticket"), 1u);
      EXPECT_EQ(outbox->wouldRefuse(kBar), OverLimit::unknownPrinterFull);
    }
  }
}

TEST_F(OutboxTest, CompactionKeepsEveryWaitingTicketByteForByte) {
  auto outbox = opened();
  std::vector<std::string> expected = halfDelivered(*outbox, 600, 100);
  EXPECT_LT(recordsEnd(), std::uint64_t{600 * 4000 / 2});
  outbox->handOver({ticket(kBar, "late")});
  outbox.reset();

  expected.insert(expected.begin() + 50, "10.0.0.7:late");
  EXPECT_EQ(deliverAll(*opened()), expected);
}

// Decisions on waiting tickets are journal records: a move to another
// printer, a discard, and bytes that reached a printer hold after a restart,
// also once a compaction has written the journal anew.
TEST_F(OutboxTest, DecisionsOnWaitingTicketsHoldAfterARestartAndACompaction) {
  const PrinterKey backup{PrinterKind::network, "10.0.0.8"};
  {
    auto outbox = opened();
    outbox->handOver({ticket(kBar, "a"), ticket(kBar, "b"), ticket(kBar, "c"), ticket(kKitchen, "k")});
    const std::uint64_t a = outbox->first(kBar)->id;
    outbox->reached(kBar, a);
    EXPECT_EQ(outbox->move(kBar, backup), 2u) << "the ticket on its way stays";
    outbox->putBack(kBar, a);
    EXPECT_EQ(outbox->move(kBar, backup), 1u);
    EXPECT_EQ(outbox->discard(kKitchen, TicketChoice::all), 1u);
    EXPECT_EQ(outbox->waitingFor(kBar) + outbox->waitingFor(kKitchen), 0u);
    halfDelivered(*outbox, 600, 0);  // enough delivered for a compaction
    EXPECT_LT(recordsEnd(), std::uint64_t{600 * 4000 / 2});
  }
  auto outbox = opened();
  std::vector<std::string> got;
  while (std::optional<TicketToDeliver> next = outbox->first(backup)) {
    got.push_back(next->ticket.printer.name + ":" + next->ticket.writes.at(1) + (next->reached ? " again" : ""));
    outbox->delivered(backup, next->id);
  }
  EXPECT_EQ(got, (std::vector<std::string>{"10.0.0.7:a again", "10.0.0.7:b", "10.0.0.7:c"}));
  EXPECT_TRUE(deliverAll(*outbox).empty());
}

// Tickets handed over longer ago than the hold wait for the staff, also
// when handed over before the restart; new ones print meanwhile. Those let
// print stay let after another restart, those discarded stay gone.
TEST_F(OutboxTest, TicketsOlderThanTheHoldWaitForTheStaffAcrossRestarts) {
  opened()->handOver({ticket(kBar, "old 1"), ticket(kBar, "old 2"), ticket(kKitchen, "old k")});
  std::this_thread::sleep_for(std::chrono::milliseconds(2100));  // past a hold of one second
  auto outbox = opened();
  outbox->holdAfter(std::chrono::seconds(1));
  outbox->handOver({ticket(kBar, "new")});
  EXPECT_EQ(outbox->heldFor(kBar), 2u);
  EXPECT_EQ(outbox->printersHolding(), (std::vector<PrinterKey>{kKitchen, kBar}));
  EXPECT_EQ(deliverAll(*outbox), std::vector<std::string>{"10.0.0.7:new"});
  EXPECT_EQ(outbox->releaseHeld(kBar), 2u);
  EXPECT_EQ(outbox->discard(kKitchen, TicketChoice::held), 1u);
  EXPECT_EQ(outbox->heldFor(kBar), 0u);
  outbox.reset();

  auto again = opened();
  again->holdAfter(std::chrono::seconds(1));
  EXPECT_EQ(deliverAll(*again), (std::vector<std::string>{"10.0.0.7:old 1", "10.0.0.7:old 2"}));
}

TEST_F(OutboxTest, ASecondProcessOnTheSameFolderKeepsItsTicketsInMemory) {
  auto first = opened();
  test::CapturedLog log;
  auto second = opened();
  EXPECT_EQ(log.count("in use by another process"), 1u);
  second->handOver({ticket(kBar, "only in memory")});
  EXPECT_EQ(deliverAll(*second), std::vector<std::string>{"10.0.0.7:only in memory"});
  EXPECT_TRUE(deliverAll(*first).empty());
}

// What the disk refuses: tickets the journal cannot take are kept in memory
// and printed, each failure is told on stderr, and what the journal holds
// is never lost.
TEST_F(OutboxTest, AJournalThatCannotBeOpenedKeepsTicketsInMemoryUntilTheyPrint) {
  files_.fail(Call::open);
  test::CapturedLog log;
  auto outbox = opened();
  EXPECT_EQ(log.lines(), std::vector<std::string>{"error: outbox: cannot open " + journal().string() +
                                                  ": Input/output error; tickets are kept in memory only until they "
                                                  "print"});
  outbox->handOver({ticket(kBar, "1"), ticket(kKitchen, "2")});
  EXPECT_EQ(outbox->waiting(), 2u);
  EXPECT_EQ(deliverAll(*outbox), (std::vector<std::string>{"10.0.0.7:1", "厨房:2"}));
  EXPECT_FALSE(std::filesystem::exists(journal()));
}

TEST_F(OutboxTest, TicketsTheJournalCannotTakeAreKeptInMemoryInTheirPlace) {
  auto outbox = opened();
  outbox->handOver({ticket(kBar, "journalled")});
  files_.fail(Call::append);
  test::CapturedLog log;
  outbox->handOver({ticket(kBar, "in memory 1"), ticket(kKitchen, "in memory 2")});
  EXPECT_EQ(log.lines(), std::vector<std::string>{"error: outbox: cannot write " + journal().string() +
                                                  " (Input/output error); these tickets are kept in memory only "
                                                  "until they print"});
  outbox->handOver({ticket(kBar, "journalled again")});
  EXPECT_EQ(outbox->waiting(), 4u);
  EXPECT_EQ(deliverAll(*outbox), (std::vector<std::string>{"10.0.0.7:journalled", "10.0.0.7:in memory 1",
                                                           "10.0.0.7:journalled again", "厨房:in memory 2"}));
}

TEST_F(OutboxTest, ASyncThatFailsIsToldAndTheTicketsStayJournalled) {
  auto outbox = opened();
  files_.fail(Call::sync);
  {
    test::CapturedLog log;
    outbox->handOver({ticket(kBar, "1"), ticket(kBar, "2")});
    EXPECT_EQ(log.lines(), std::vector<std::string>{
                               "warning: outbox: cannot sync the journal: tickets may not survive a power cut"});
  }
  outbox->delivered(kBar, outbox->first(kBar)->id);
  files_.fail(Call::sync);
  {
    test::CapturedLog log;
    EXPECT_FALSE(outbox->syncDeliveriesWhenDue(std::chrono::steady_clock::now() + std::chrono::seconds(2)));
    EXPECT_EQ(log.lines(), std::vector<std::string>{"warning: outbox: cannot sync the journal: delivered tickets "
                                                    "may print again after a power cut"});
  }
  outbox.reset();
  EXPECT_EQ(deliverAll(*opened()), std::vector<std::string>{"10.0.0.7:2"});
}

TEST_F(OutboxTest, ADeliveredRecordTheJournalCannotTakePrintsTheTicketAgainAfterARestartRatherThanLoseIt) {
  auto outbox = opened();
  outbox->handOver({ticket(kBar, "1"), ticket(kBar, "2")});
  files_.fail(Call::append);
  test::CapturedLog log;
  outbox->delivered(kBar, outbox->first(kBar)->id);
  EXPECT_EQ(log.lines(),
            std::vector<std::string>{"warning: outbox: cannot record a delivered ticket; it may print again"});
  EXPECT_EQ(outbox->waiting(), 1u);
  outbox.reset();
  EXPECT_EQ(deliverAll(*opened()), (std::vector<std::string>{"10.0.0.7:1", "10.0.0.7:2"}));
}

TEST_F(OutboxTest, ATicketReadBackOnceWrongIsReadAgainAndOneThatNeverReadsBackIsDroppedAndTold) {
  auto outbox = opened();
  outbox->handOver({ticket(kBar, "1"), ticket(kBar, "2"), ticket(kBar, "3")});
  files_.fail(Call::read);
  std::optional<TicketToDeliver> next = outbox->first(kBar);
  ASSERT_TRUE(next);
  EXPECT_EQ(next->ticket.writes.at(1), "1");
  outbox->delivered(kBar, next->id);

  files_.fail(Call::read, 2);
  test::CapturedLog log;
  next = outbox->first(kBar);
  ASSERT_TRUE(next);
  EXPECT_EQ(next->ticket.writes.at(1), "3");
  EXPECT_EQ(log.lines(), std::vector<std::string>{"error: outbox: ticket 2 for 10.0.0.7 cannot be read back from the "
                                                  "journal (disk error); it is dropped"});
  outbox.reset();
  EXPECT_EQ(deliverAll(*opened()), std::vector<std::string>{"10.0.0.7:3"});
}

// A compaction that fails at any step leaves the journal as it was, every
// waiting ticket in it, and is not tried again at once.
TEST_F(OutboxTest, ACompactionThatFailsKeepsTheJournalAsItWasAndWaitsBeforeTryingAgain) {
  struct Case {
    Call call;
    const char* fileName;
  };
  for (const Case& failing : {Case{Call::create, "outbox.journal.new"}, Case{Call::read, "outbox.journal"},
                              Case{Call::append, "outbox.journal.new"}, Case{Call::makeRoom, "outbox.journal.new"},
                              Case{Call::sync, "outbox.journal.new"}, Case{Call::rename, "outbox.journal"}}) {
    SCOPED_TRACE(static_cast<int>(failing.call));
    std::filesystem::remove(journal());
    auto outbox = opened();
    const int creates = files_.calls(Call::create);
    files_.before(Call::create, [&] { files_.fail(failing.call, 1, failing.fileName); });
    test::CapturedLog log;
    const std::vector<std::string> waiting = halfDelivered(*outbox, 600, 100);
    EXPECT_EQ(log.count("; the journal is kept as it is"), 1u);
    EXPECT_EQ(log.lines().size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(journal().string() + ".new"));
    outbox->delivered(kBar, outbox->first(kBar)->id);
    EXPECT_EQ(files_.calls(Call::create), creates + 1) << "tried again before the journal grew";
    outbox.reset();
    EXPECT_EQ(deliverAll(*opened()), std::vector<std::string>(waiting.begin() + 1, waiting.end()));
  }
}

// The outbox lock is not held while a compaction copies, syncs and renames:
// tickets handed over and delivered meanwhile end up in the journal that
// keeps the name.
TEST_F(OutboxTest, TicketsHandedOverAndDeliveredWhileACompactionRunsAreKeptByTheNewJournal) {
  auto outbox = opened();
  std::vector<Ticket> tickets{ticket(kKitchen, "kitchen")};
  for (int i = 0; i < 600; ++i) tickets.push_back(ticket(kBar, std::to_string(i) + std::string(4000, 'p')));
  outbox->handOver(std::move(tickets));
  // Copying: appended to the old journal after what is being copied.
  files_.before(Call::create, [&] {
    outbox->handOver({ticket(kBar, "while copying")});
    outbox->delivered(kKitchen, outbox->first(kKitchen)->id);
  });
  // Syncing and renaming: a delivered ticket is recorded after, a
  // hand-over waits (here on a thread of its own, as the page's would).
  std::thread page;
  bool renamed = false;
  files_.before(Call::rename, [&] {
    renamed = true;
    outbox->delivered(kBar, outbox->first(kBar)->id);
    const int appends = files_.calls(Call::append);
    page = std::thread([&] { outbox->handOver({ticket(kBar, "while renaming")}); });
    // Gives a hand-over that would not wait the time to append.
    for (int i = 0; i < 100 && files_.calls(Call::append) == appends; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  // Up to the first compaction: a later one would copy only what waits.
  int delivered = 0;
  for (; !renamed && delivered < 600; ++delivered) outbox->delivered(kBar, outbox->first(kBar)->id);
  ASSERT_TRUE(page.joinable());
  page.join();

  std::vector<std::string> expected;
  for (int i = delivered + 1; i < 600; ++i)
    expected.push_back("10.0.0.7:" + std::to_string(i) + std::string(4000, 'p'));
  expected.push_back("10.0.0.7:while copying");
  expected.push_back("10.0.0.7:while renaming");
  outbox.reset();
  EXPECT_EQ(deliverAll(*opened()), expected);
}

TEST_F(OutboxTest, ACompactionWhoseRenameMayNotSurviveAPowerCutSaysSoAndKeepsEveryTicket) {
  auto outbox = opened();
  files_.fail(Call::syncFolder);
  test::CapturedLog log;
  const std::vector<std::string> waiting = halfDelivered(*outbox, 600, 100);
  EXPECT_EQ(log.lines(), std::vector<std::string>{"warning: outbox: cannot sync the folder " + folder_.path().string() +
                                                  ": Input/output error: the rewritten journal may lose its name "
                                                  "in a power cut"});
  outbox->handOver({ticket(kKitchen, "after")});
  outbox.reset();
  std::vector<std::string> expected = waiting;
  expected.push_back("厨房:after");
  EXPECT_EQ(deliverAll(*opened()), expected);
}

TEST_F(OutboxTest, ANewJournalWhoseHeaderCannotBeWrittenStillKeepsItsTickets) {
  files_.fail(Call::create);
  test::CapturedLog log;
  auto outbox = opened();
  EXPECT_EQ(log.count("; the journal is kept as it is"), 1u);
  outbox->handOver({ticket(kBar, "1")});
  outbox.reset();
  EXPECT_EQ(deliverAll(*opened()), std::vector<std::string>{"10.0.0.7:1"});
}

}  // namespace
}  // namespace lumetra
