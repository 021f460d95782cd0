#include "printer/realtime_status.h"

#include <gtest/gtest.h>

#include <set>

#include "support/temp_dir.h"

namespace lumetra {
namespace {

using test::hexBytes;

TEST(RealtimeStatusTest, RequestsAreTheCommandBytesAndTicketIdsStayDistinctAndPrintable) {
  EXPECT_EQ(fullStatusRequest(), hexBytes("10 04 01 10 04 02 10 04 03 10 04 04"));
  EXPECT_EQ(printerStatusRequest(), hexBytes("10 04 01"));
  EXPECT_EQ(processIdRequest("0A1b"), hexBytes("1d 28 48 06 00 30 30") + "0A1b");
  std::set<std::string> ids;
  for (std::uint64_t ticket = 0; ticket < 100'000; ++ticket) {
    const std::string id = processIdFor(ticket);
    ASSERT_EQ(id.size(), 4u);
    for (const char character : id) ASSERT_TRUE(character >= 0x30 && character <= 0x7E) << ticket;
    ids.insert(id);
  }
  EXPECT_EQ(ids.size(), 100'000u);
}

struct AnswerCase {
  const char* what;
  std::vector<std::string> pieces;  // as they arrive
  std::optional<PrinterReport> report;
};

PrinterReport stoppedBy(bool coverOpen, bool paperEnd, bool error) {
  return PrinterReport{true, coverOpen, paperEnd, error, false};
}

TEST(RealtimeStatusTest, EachAnswerOfAFullRequestFeedsTheReportOnlyOnceAllHaveCome) {
  const std::vector<AnswerCase> cases = {
      {"ready", {hexBytes("12 12 12 12")}, PrinterReport{}},
      {"paper out, in pieces", {hexBytes("1a"), hexBytes("32 12"), hexBytes("72")}, stoppedBy(false, true, false)},
      {"cover open", {hexBytes("1a 16 12 12")}, stoppedBy(true, false, false)},
      {"cutter error", {hexBytes("1a 52 1a 12")}, stoppedBy(false, false, true)},
      {"paper near its end, still printing",
       {hexBytes("12 12 12 1e")},
       PrinterReport{false, false, false, false, true}},
      {"three of four answers", {hexBytes("12 12 12")}, std::nullopt},
      {"other bytes pass over", {hexBytes("00 ff 41"), hexBytes("12 12 12 12")}, PrinterReport{}},
  };
  for (const AnswerCase& test : cases) {
    PrinterAnswers answers;
    answers.asked(fullStatusRequest());
    for (const std::string& piece : test.pieces) answers.read(piece);
    EXPECT_EQ(answers.report(), test.report) << test.what;
  }
}

TEST(RealtimeStatusTest, AutomaticStatusAndProcessIdsAreToldApartFromTheAnswers) {
  PrinterAnswers answers;
  answers.asked(printerStatusRequest());
  // An automatic status block (cover open, paper near its end) and a
  // process ID response, each split between reads, then the answer.
  answers.read(hexBytes("38 00"));
  answers.read(hexBytes("03 00 37 22") + "A1");
  answers.read("b2" + hexBytes("00"));
  EXPECT_TRUE(answers.hasReturned("A1b2"));
  EXPECT_FALSE(answers.hasReturned("A1b3"));
  ASSERT_TRUE(answers.report());
  EXPECT_EQ(*answers.report(), (PrinterReport{true, true, false, false, true}));
  EXPECT_EQ(answers.unanswered(), 1u);
  answers.read(hexBytes("12"));
  EXPECT_EQ(answers.unanswered(), 0u);
  EXPECT_EQ(*answers.report(), PrinterReport{});
  EXPECT_EQ(answers.reports(), 2u);
}

}  // namespace
}  // namespace lumetra
