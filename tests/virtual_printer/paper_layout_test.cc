#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "escpos_decoder.h"
#include "receipt_builder.h"
#include "support/temp_dir.h"

namespace lumetra::virtual_printer {
namespace {

using test::hexBytes;

// How commands land on paper: where lines sit, how far the paper moves,
// which text a real printer would never print.
class PaperLayoutTest : public ::testing::Test {
 protected:
  // Plays the stream; returns the remarks of its commands, in order.
  std::vector<std::string> play(const std::string& bytes) {
    StreamDecoder decoder;
    std::vector<Command> commands = decoder.feed(bytes);
    for (Command& command : decoder.finish()) commands.push_back(std::move(command));
    std::vector<std::string> remarks;
    for (const Command& command : commands) {
      const std::string remark = builder_.apply(command);
      if (!remark.empty()) remarks.push_back(remark);
    }
    return remarks;
  }

  ReceiptBuilder builder_{576};
};

TEST_F(PaperLayoutTest, LinesAdvanceByTheTallerOfLineSpacingAndTheirCharacters) {
  play("A\n" + hexBytes("1d 21 11") + "B\n" + hexBytes("1d 21 00") + "C" + hexBytes("1b 4a 0a") +
       hexBytes("1b 64 02 1b 33 28") + "\n");
  const Receipt receipt = builder_.takeReceipt();
  ASSERT_EQ(receipt.lines.size(), 3u);
  EXPECT_EQ(receipt.lines[0].top, 0);
  EXPECT_EQ(receipt.lines[0].height, 24);
  EXPECT_EQ(receipt.lines[1].top, 30);
  EXPECT_EQ(receipt.lines[1].height, 48);
  EXPECT_EQ(receipt.lines[1].glyphs[0].width, 24);
  EXPECT_EQ(receipt.lines[2].top, 78);
  // C prints (24) and feeds 10; ESC d 2 feeds two 30-dot lines; an empty LF
  // after ESC 3 40 feeds 40.
  EXPECT_EQ(receipt.length, 78 + 24 + 10 + 60 + 40);
}

TEST_F(PaperLayoutTest, AlignmentPlacesWholeLinesAndHoldsForALineAlreadyStarted) {
  const std::vector<std::string> remarks =
      play(hexBytes("1b 61 01") + "abc\n" + hexBytes("1b 61 32") + "abc\n" + hexBytes("1b 61 01") + "ab" +
           hexBytes("1b 61 00") + "c\nd\n" + hexBytes("1b 61 07"));
  const Receipt receipt = builder_.takeReceipt();
  ASSERT_EQ(receipt.lines.size(), 4u);
  EXPECT_EQ(receipt.lines[0].left, (576 - 36) / 2);
  EXPECT_EQ(receipt.lines[1].left, 576 - 36);
  EXPECT_EQ(receipt.lines[2].left, (576 - 36) / 2);
  EXPECT_EQ(receipt.lines[3].left, 0);
  EXPECT_EQ(remarks,
            (std::vector<std::string>{"the line already started keeps its alignment", "ignored: not an alignment"}));
}

TEST_F(PaperLayoutTest, TextWiderThanThePaperWrapsAtWholeCharacters) {
  play(std::string(50, 'x') + "\n" + hexBytes("1d 21 10") + std::string(8, 'y') + hexBytes("cc e1 ca be") + "\n");
  const Receipt receipt = builder_.takeReceipt();
  ASSERT_EQ(receipt.lines.size(), 3u);
  EXPECT_EQ(receipt.lines[0].glyphs.size(), 48u);
  EXPECT_EQ(receipt.lines[1].glyphs.size(), 2u);
  // Double width: 8 letters of 24 dots and two Chinese characters of 48
  // fit in 576 dots on one line.
  ASSERT_EQ(receipt.lines[2].glyphs.size(), 10u);
  EXPECT_EQ(receipt.lines[2].glyphs[9].codePoint, U'示');
  EXPECT_EQ(receipt.lines[2].glyphs[9].x, 8 * 24 + 48);
}

TEST_F(PaperLayoutTest, InitialiseLosesUnprintedTextAndResetsModesButACutKeepsThem) {
  const std::vector<std::string> remarks = play("lost" + hexBytes("1b 40 1d 21 11") + "kept\n" + hexBytes("1d 56 00"));
  EXPECT_EQ(remarks, std::vector<std::string>{"discards unprinted text: 4 characters"});
  const Receipt first = builder_.takeReceipt();
  EXPECT_EQ(first.cut, CutKind::Full);
  ASSERT_EQ(first.lines.size(), 1u);
  EXPECT_EQ(first.lines[0].glyphs[0].codePoint, U'k');

  play("x\n" + hexBytes("1b 40") + "y\nend");
  EXPECT_EQ(builder_.unprintedTextRemark(), "text never printed (no LF, feed or cut after it): 3 characters");
  const Receipt second = builder_.takeReceipt();
  EXPECT_EQ(second.cut, CutKind::None);
  ASSERT_EQ(second.lines.size(), 2u);
  EXPECT_EQ(second.lines[0].glyphs[0].height, 48);
  EXPECT_EQ(second.lines[1].glyphs[0].height, 24);
}

TEST_F(PaperLayoutTest, ImagesFollowAlignmentAndScaleAndWiderOnesAreClipped) {
  const std::string quadrupleBand = hexBytes("1d 76 30 03 02 00 18 00") + std::string(2 * 24, '\xff');
  const std::string tooWideBand = hexBytes("1d 76 30 00 50 00 01 00") + std::string(80, '\xff');
  const std::vector<std::string> remarks =
      play(hexBytes("1b 61 01") + quadrupleBand + hexBytes("1b 61 00") + tooWideBand + hexBytes("1d 56 41 05"));
  EXPECT_EQ(remarks, std::vector<std::string>{"64 dots wider than the paper: clipped"});
  const Receipt receipt = builder_.takeReceipt();
  ASSERT_EQ(receipt.images.size(), 2u);
  EXPECT_EQ(receipt.images[0].widthScale, 2);
  EXPECT_EQ(receipt.images[0].heightScale, 2);
  EXPECT_EQ(receipt.images[0].left, (576 - 32) / 2);
  EXPECT_EQ(receipt.images[1].top, 48);
  EXPECT_EQ(receipt.images[1].left, 0);
  // GS V 65 5 feeds 5 dots before it cuts.
  EXPECT_EQ(receipt.length, 48 + 1 + 5);
  EXPECT_EQ(receipt.cut, CutKind::Full);
}

}  // namespace
}  // namespace lumetra::virtual_printer
