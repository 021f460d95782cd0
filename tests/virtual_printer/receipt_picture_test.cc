#include <gtest/gtest.h>
#include <FreeImage.h>

#include <memory>
#include <string>

#include "escpos_decoder.h"
#include "glyph_font.h"
#include "print_session.h"
#include "receipt_builder.h"
#include "receipt_folder.h"
#include "receipt_renderer.h"
#include "support/temp_dir.h"

namespace lumetra::virtual_printer {
namespace {

using test::hexBytes;

// The picture is what a shop's installer compares with real paper: every
// printed dot where the stream put it, characters at their printed size.
class ReceiptPictureTest : public ::testing::Test {
 protected:
  Canvas render(const std::string& bytes, int paperDots = 576) {
    ReceiptBuilder builder(paperDots);
    StreamDecoder decoder;
    for (const Command& command : decoder.feed(bytes)) builder.apply(command);
    for (const Command& command : decoder.finish()) builder.apply(command);
    return renderer_.render(builder.takeReceipt());
  }

  GlyphFont font_{kDefaultFontFile};
  ReceiptRenderer renderer_{font_};
};

struct InkBox {
  int left = 1 << 30, right = -1, top = 1 << 30, bottom = -1;
  int width() const { return right - left + 1; }
  int height() const { return bottom - top + 1; }
};

InkBox inkBox(const Canvas& canvas) {
  InkBox box;
  for (int y = 0; y < canvas.height(); ++y) {
    for (int x = 0; x < canvas.width(); ++x) {
      if (canvas.at(x, y) != kInk) continue;
      box = {std::min(box.left, x), std::max(box.right, x), std::min(box.top, y), std::max(box.bottom, y)};
    }
  }
  return box;
}

bool logoDot(int column, int row) { return ((column * 7 + row * 13) % 11) < 4; }

// A 384 x 48 logo in two bands, the way the image printer sends it.
std::string logoStream(int& dots) {
  dots = 0;
  std::string bytes = hexBytes("1b 40");
  for (int band = 0; band < 2; ++band) {
    bytes += hexBytes("1d 76 30 00 30 00 18 00");
    for (int row = band * 24; row < band * 24 + 24; ++row) {
      for (int byte = 0; byte < 48; ++byte) {
        unsigned char bits = 0;
        for (int bit = 0; bit < 8; ++bit) {
          const bool dot = logoDot(byte * 8 + bit, row);
          dots += dot;
          bits |= dot ? 0x80 >> bit : 0;
        }
        bytes += static_cast<char>(bits);
      }
    }
    bytes += hexBytes("1b 4a 00");
  }
  return bytes;
}

TEST_F(ReceiptPictureTest, LogoReceiptPngHasEveryDotOfTheImageAndAPerforationAtTheCut) {
  test::TempDir dir;
  ReceiptFolder folder(dir.path(), renderer_);
  int dots = 0;
  {
    PrintSession session("test", folder, 576);
    session.receive(logoStream(dots) + hexBytes("1d 56 00"));
    session.finish();
  }
  const std::unique_ptr<FIBITMAP, decltype(&FreeImage_Unload)> png(
      FreeImage_Load(FIF_PNG, (dir.path() / "receipt-0001.png").c_str()), FreeImage_Unload);
  ASSERT_TRUE(png);
  const int width = static_cast<int>(FreeImage_GetWidth(png.get()));
  const int height = static_cast<int>(FreeImage_GetHeight(png.get()));
  ASSERT_EQ(width, 576 + 2 * kSideMarginDots);
  ASSERT_EQ(height, 48 + kPerforationRows);
  const RGBQUAD* palette = FreeImage_GetPalette(png.get());
  int black = 0;
  int perforation = 0;
  int misplaced = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      BYTE index = 0;
      FreeImage_GetPixelIndex(png.get(), x, height - 1 - y, &index);
      const int grey = palette[index].rgbGreen;
      black += grey == 0;
      perforation += grey == kPerforation;
      const bool expected =
          y < 48 && x >= kSideMarginDots && x < kSideMarginDots + 384 && logoDot(x - kSideMarginDots, y);
      misplaced += (grey == 0) != expected;
    }
  }
  EXPECT_EQ(black, dots);
  EXPECT_EQ(misplaced, 0);
  EXPECT_GT(perforation, width / 2);
  EXPECT_EQ(std::filesystem::read_symlink(dir.path() / "latest.png"), "receipt-0001.png");
}

// The demo till shows what latest.js names: it must keep naming the newest
// picture when a later piece printed nothing, and survive a restart.
TEST_F(ReceiptPictureTest, LatestScriptNamesTheNewestPictureAndTranscriptAcrossRestarts) {
  test::TempDir dir;
  const auto latest = [&] { return test::readFile(dir.path() / "latest.js"); };
  const auto print = [&](ReceiptFolder& folder, const std::string& bytes) {
    PrintSession session("test", folder, 576);
    session.receive(bytes);
    session.finish();
  };
  ReceiptFolder folder(dir.path(), renderer_);
  EXPECT_EQ(latest(), "virtualPrinterLatest({\"picture\": null, \"transcript\": null});\n");
  print(folder, "A1\n" + hexBytes("1d 56 00"));
  print(folder, hexBytes("1b 40"));
  const std::string expected =
      "virtualPrinterLatest({\"picture\": \"receipt-0001.png\", \"transcript\": \"receipt-0002.txt\"});\n";
  EXPECT_EQ(latest(), expected);
  std::filesystem::remove(dir.path() / "latest.js");
  const ReceiptFolder restarted(dir.path(), renderer_);
  EXPECT_EQ(latest(), expected);
}

TEST_F(ReceiptPictureTest, DoubleWidthAndHeightCharactersPrintTwiceAsLarge) {
  const InkBox normal = inkBox(render("H\n"));
  const InkBox wide = inkBox(render(hexBytes("1d 21 10") + "H\n"));
  const InkBox tall = inkBox(render(hexBytes("1b 21 10") + "H\n"));
  ASSERT_GT(normal.width(), 4);
  EXPECT_NEAR(wide.width(), 2 * normal.width(), 2);
  EXPECT_NEAR(wide.height(), normal.height(), 1);
  EXPECT_NEAR(tall.height(), 2 * normal.height(), 2);
  EXPECT_NEAR(tall.width(), normal.width(), 1);
}

TEST_F(ReceiptPictureTest, ChineseCharactersDrawTheirOwnGlyphsInsideTheirCells) {
  const Canvas zhong = render(hexBytes("d6 d0 0a"));
  const Canvas guo = render(hexBytes("b9 fa 0a"));
  const InkBox box = inkBox(zhong);
  ASSERT_GE(box.right, 0);
  EXPECT_GE(box.left, kSideMarginDots);
  EXPECT_LT(box.right, kSideMarginDots + 24);
  EXPECT_LT(box.bottom, 24);
  EXPECT_GT(box.width(), 12);
  int differing = 0;
  for (int y = 0; y < 24; ++y) {
    for (int x = kSideMarginDots; x < kSideMarginDots + 24; ++x) differing += zhong.at(x, y) != guo.at(x, y);
  }
  EXPECT_GT(differing, 20);
}

TEST_F(ReceiptPictureTest, NarrowPaperGivesANarrowPictureAndFeedsLengthenIt) {
  const Canvas canvas = render(hexBytes("1b 4a 64 1d 56 01"), 384);
  EXPECT_EQ(canvas.width(), 384 + 2 * kSideMarginDots);
  EXPECT_EQ(canvas.height(), 100 + kPerforationRows);
  // A partial cut leaves the middle of the paper whole.
  EXPECT_EQ(canvas.at(canvas.width() / 2, 100 + kPerforationRows / 2), kPaper);
  EXPECT_EQ(canvas.at(2, 100 + kPerforationRows / 2), kPerforation);
}

}  // namespace
}  // namespace lumetra::virtual_printer
