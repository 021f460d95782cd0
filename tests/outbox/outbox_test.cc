// The outbox's journal: what survives a restart, a torn or damaged file, the
// limits and compaction. The delivery threads are not involved: the test
// takes the tickets itself, as they would.
#include "outbox/outbox.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/temp_dir.h"

namespace lumetra {
namespace {

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

const PrinterKey kBar{PrinterKind::network, "10.0.0.7"};
const PrinterKey kKitchen{PrinterKind::spooler, "厨房"};

Ticket ticket(const PrinterKey& printer, const std::string& text) { return Ticket{printer, {"\x1b@", text}}; }

class OutboxTest : public ::testing::Test {
 protected:
  std::filesystem::path journal() const { return folder_.path() / "outbox.journal"; }

  std::unique_ptr<Outbox> opened(OutboxLimits limits = {}) {
    auto outbox = std::make_unique<Outbox>(limits);
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

  test::TempDir folder_;
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

  CaptureStderr();
  auto outbox = opened();
  const std::string note = GetCapturedStderr();
  EXPECT_EQ(std::count(note.begin(), note.end(), '\n'), 1) << note;
  EXPECT_NE(note.find("damaged bytes"), std::string::npos) << note;
  outbox->handOver({ticket(kBar, "after")});
  outbox.reset();

  CaptureStderr();
  outbox = opened();
  EXPECT_EQ(GetCapturedStderr(), "");
  EXPECT_EQ(deliverAll(*outbox), (std::vector<std::string>{"10.0.0.7:kept 1", "10.0.0.7:kept 2", "10.0.0.7:after"}));
}

TEST_F(OutboxTest, DamageInsideTheJournalCostsOnlyTheRecordItHit) {
  opened()->handOver({ticket(kBar, "one"), ticket(kKitchen, "two"), ticket(kBar, "three")});
  damageByte(recordsEnd() / 2);  // inside the second of three records of about equal size

  CaptureStderr();
  auto outbox = opened();
  EXPECT_NE(GetCapturedStderr().find("damaged bytes"), std::string::npos);
  EXPECT_EQ(deliverAll(*outbox), (std::vector<std::string>{"10.0.0.7:one", "10.0.0.7:three"}));
}

TEST_F(OutboxTest, AFileThatIsNoJournalIsPassedOverAndReplaced) {
  folder_.write("outbox.journal", std::string(5000, 'x'));
  CaptureStderr();
  opened()->handOver({ticket(kKitchen, "new")});
  EXPECT_NE(GetCapturedStderr().find("skipped 5000 damaged bytes"), std::string::npos);
  EXPECT_EQ(deliverAll(*opened()), std::vector<std::string>{"厨房:new"});
}

TEST_F(OutboxTest, LimitsRefuseNewTicketsSayWhyAndDropNoneWaiting) {
  auto outbox = opened(OutboxLimits{2, 3, std::uint64_t{1} << 20});
  CaptureStderr();
  outbox->handOver({ticket(kBar, "1"), ticket(kBar, "2"), ticket(kBar, "3"), ticket(kKitchen, "4"),
                    ticket(PrinterKey{PrinterKind::network, "10.0.0.8"}, "5")});
  const std::string notes = GetCapturedStderr();
  EXPECT_EQ(std::count(notes.begin(), notes.end(), '\n'), 2) << notes;
  std::vector<PrinterBacklog> backlog = *outbox->backlogChange();
  ASSERT_EQ(backlog.size(), 2u);
  EXPECT_EQ(backlog[0].printer, "10.0.0.7");
  EXPECT_EQ(backlog[0].waiting, 2u);
  EXPECT_EQ(backlog[0].reason, "等待的小票已满，新小票未能接收");
  EXPECT_EQ(backlog[1].printer, "10.0.0.8");
  EXPECT_EQ(backlog[1].waiting, 0u);
  EXPECT_EQ(backlog[1].reason, "所有打印机等待的小票已满，新小票未能接收");

  const std::optional<TicketToDeliver> first = outbox->first(kBar);
  outbox->delivered(kBar, first->id);
  EXPECT_TRUE(outbox->backlogChange().value().empty());
  EXPECT_EQ(deliverAll(*outbox), (std::vector<std::string>{"10.0.0.7:2", "厨房:4"}));
}

TEST_F(OutboxTest, APrintersConditionShowsWithOrWithoutTicketsUntilClearedAndATroubleGoesFirst) {
  auto outbox = opened();
  outbox->printerCondition(kBar, Trouble::paperNearEnd);
  std::vector<PrinterBacklog> backlog = *outbox->backlogChange();
  ASSERT_EQ(backlog.size(), 1u);
  EXPECT_EQ(backlog[0].waiting, 0u);
  EXPECT_EQ(backlog[0].reason, "打印纸将用尽，请准备换纸");
  outbox->printerCondition(kBar, Trouble::paperNearEnd);
  EXPECT_FALSE(outbox->backlogChange()) << "an unchanged condition is no change";

  outbox->handOver({ticket(kBar, "1")});
  outbox->troubled(kBar, Trouble::paperEnd);
  backlog = *outbox->backlogChange();
  ASSERT_EQ(backlog.size(), 1u);
  EXPECT_EQ(backlog[0].waiting, 1u);
  EXPECT_EQ(backlog[0].reason, "打印机缺纸，请装纸");

  EXPECT_EQ(deliverAll(*outbox), (std::vector<std::string>{"10.0.0.7:1"}));
  EXPECT_EQ(outbox->backlogChange().value().at(0).reason, "打印纸将用尽，请准备换纸");
  outbox->printerCondition(kBar, Trouble::none);
  EXPECT_TRUE(outbox->backlogChange().value().empty());
}

TEST_F(OutboxTest, CompactionKeepsEveryWaitingTicketByteForByte) {
  auto outbox = opened();
  std::vector<Ticket> tickets;
  for (int i = 0; i < 600; ++i)
    tickets.push_back(ticket(i % 2 ? kBar : kKitchen, std::to_string(i) + std::string(4000, 'p')));
  outbox->handOver(std::move(tickets));
  const std::uint64_t full = recordsEnd();
  for (int i = 0; i < 500; ++i) {
    const PrinterKey& printer = i % 2 ? kBar : kKitchen;
    outbox->delivered(printer, outbox->first(printer)->id);
  }
  EXPECT_LT(recordsEnd(), full / 2);
  outbox->handOver({ticket(kBar, "late")});
  outbox.reset();

  std::vector<std::string> expected;
  for (int i = 501; i < 600; i += 2) expected.push_back("10.0.0.7:" + std::to_string(i) + std::string(4000, 'p'));
  expected.push_back("10.0.0.7:late");
  for (int i = 500; i < 600; i += 2) expected.push_back("厨房:" + std::to_string(i) + std::string(4000, 'p'));
  EXPECT_EQ(deliverAll(*opened()), expected);
}

TEST_F(OutboxTest, ASecondProcessOnTheSameFolderKeepsItsTicketsInMemory) {
  auto first = opened();
  CaptureStderr();
  auto second = opened();
  EXPECT_NE(GetCapturedStderr().find("in use by another process"), std::string::npos);
  second->handOver({ticket(kBar, "only in memory")});
  EXPECT_EQ(deliverAll(*second), std::vector<std::string>{"10.0.0.7:only in memory"});
  EXPECT_TRUE(deliverAll(*first).empty());
}

}  // namespace
}  // namespace lumetra
