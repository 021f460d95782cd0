#include <gtest/gtest.h>

#include <random>

#include "functions/printer_functions.h"
#include "image/gif_header.h"
#include "image/image_base64.h"
#include "printer/image_raster.h"
#include "printer/printers.h"
#include "support/recording_spooler.h"
#include "support/temp_dir.h"
#include "support/test_context.h"
#include "support/test_pictures.h"
#include "tasks/image_text.h"

namespace lumetra {
namespace {

using test::hexBytes;

constexpr char16_t kPrinter[] = u"Receipt";

// GS v 0 for the given bytes per row and 24 rows, as the shipped models send it.
std::string gsv0Header(unsigned bytesPerRow) {
  return hexBytes("1d 76 30 00") + static_cast<char>(bytesPerRow) + hexBytes("00 18 00");
}
const std::string kBandEnd = hexBytes("1b 4a 00");
const std::string kInitialise = hexBytes("1b 40");

PrinterModelConfig gsv0Model() {
  PrinterModelConfig table;
  const std::string image = hexBytes("1d 76 30 00 00 00 18 00 1b 4a 00");
  std::copy(image.begin(), image.end(), table.bytes.begin() + model_offset::kImage);
  return table;
}

// Band data of `bytesPerRow` x 24 with the given bytes set.
std::string bandData(unsigned bytesPerRow, std::initializer_list<std::pair<std::size_t, char>> set = {}) {
  std::string data(bytesPerRow * 24, '\0');
  for (const auto& [at, value] : set) data[at] = value;
  return data;
}

std::uint8_t onlyCorners(unsigned width, unsigned height, unsigned x, unsigned y) {
  return (x == 0 && y == 0) || (x == width - 1 && y == height - 1) ? 0 : 255;
}

std::optional<std::string> rasterOf(const std::string& file) {
  return rasterForImageText(test::base64(file), gsv0Model());
}

CallArguments args(std::initializer_list<std::string> values) {
  std::vector<CallArgument> list;
  for (const std::string& value : values) list.push_back(CallArgument::string(value));
  return CallArguments(std::move(list));
}

TEST(ImageTextTest, AcceptsOnlyStrictBase64) {
  EXPECT_EQ(decodeBase64("TWFu"), "Man");
  EXPECT_EQ(decodeBase64("TWE="), "Ma");
  EXPECT_EQ(decodeBase64("TQ=="), "M");
  EXPECT_EQ(decodeBase64("+/+/"), hexBytes("fb ff bf"));
  for (const char* bad : {"TWF", "TW Fu", "TWFu\n", "TWFu\r\nTWFu", "data:image/png;base64,TWFu", "T=Fu", "TQ=a",
                          "TQ===", "====", "TWFuTQ==TWFu", "TW-_", "TWFu="}) {
    EXPECT_EQ(decodeBase64(bad), "") << bad;
  }
}

TEST(ImageTextTest, DecodesEveryLengthAndEveryByteValue) {
  std::mt19937 random(5);
  std::string bytes;
  for (unsigned length = 0; length < 40; ++length) {
    EXPECT_EQ(decodeBase64(test::base64(bytes)), bytes) << length;
    bytes += static_cast<char>(random());
  }
  std::string everyValue;
  for (unsigned value = 0; value < 256 * 3 + 1; ++value) everyValue += static_cast<char>(value);
  EXPECT_EQ(decodeBase64(test::base64(everyValue)), everyValue);
  // One bad symbol anywhere in a long text spoils it all: every byte value
  // outside the alphabet, at every place of the first 80 symbols (which a
  // processor with vectors decodes sixteen at a time) and at the end.
  const std::string text = test::base64(everyValue);
  const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  for (unsigned value = 0; value < 256; ++value) {
    if (alphabet.find(static_cast<char>(value)) != std::string::npos) continue;
    for (std::size_t at = 0; at < text.size(); at = at == 80 ? text.size() - 5 : at + 1) {
      std::string spoilt = text;
      spoilt[at] = static_cast<char>(value);
      if (spoilt != text) {
        ASSERT_EQ(decodeBase64(spoilt), "") << value << " at " << at;
      }
    }
  }
}

TEST(ImageRasterTest, TwoFullBandsTopRowFirstMostSignificantBitLeftmost) {
  const auto raster =
      rasterOf(test::greyPng(384, 48, [](unsigned x, unsigned y) { return onlyCorners(384, 48, x, y); }));
  ASSERT_TRUE(raster);
  const std::string expected = kInitialise + gsv0Header(48) + bandData(48, {{0, '\x80'}}) + kBandEnd + gsv0Header(48) +
                               bandData(48, {{48 * 24 - 1, '\x01'}}) + kBandEnd;
  EXPECT_EQ(*raster, expected);
  EXPECT_EQ(raster->size(), 2u + 2 * (8 + 1152 + 3));
}

TEST(ImageRasterTest, LastBandIsFilledWithBlankRows) {
  // Row 29 is row 5 of the second band; rows 6 to 23 of that band stay blank.
  const auto raster =
      rasterOf(test::greyPng(384, 30, [](unsigned x, unsigned y) { return x < 8 && (y == 0 || y == 29) ? 0 : 255; }));
  ASSERT_TRUE(raster);
  const std::string expected = kInitialise + gsv0Header(48) + bandData(48, {{0, '\xff'}}) + kBandEnd + gsv0Header(48) +
                               bandData(48, {{5 * 48, '\xff'}}) + kBandEnd;
  EXPECT_EQ(*raster, expected);
}

TEST(ImageRasterTest, HeaderAndBandEndComeFromTheModelTable) {
  PrinterModelConfig table;
  const std::string image = hexBytes("01 02 03 04 05 06 07 08 09 0a 0b");
  std::copy(image.begin(), image.end(), table.bytes.begin() + model_offset::kImage);
  const auto raster =
      rasterForImageText(test::base64(test::greyPng(576, 1, [](unsigned, unsigned) { return 255; })), table);
  ASSERT_TRUE(raster);
  EXPECT_EQ(*raster, kInitialise + hexBytes("01 02 03 00 48 00 07 00") + bandData(72) + hexBytes("09 0a 0b"));
}

TEST(ImageRasterTest, PartialLastByteOfARowIsPaddedWithBlankPixels) {
  // 100 pixels: 12 whole bytes and 4 pixels in a 13th byte, announced as 13.
  const auto raster = rasterOf(test::greyPng(100, 1, [](unsigned x, unsigned) { return x >= 96 ? 0 : 255; }));
  ASSERT_TRUE(raster);
  EXPECT_EQ(*raster, kInitialise + gsv0Header(13) + bandData(13, {{12, '\xf0'}}) + kBandEnd);
}

TEST(ImageRasterTest, RefusesPicturesTooWideForTheOneByteRowLength) {
  EXPECT_TRUE(rasterOf(test::greyPng(2040, 1, [](unsigned, unsigned) { return 0; })));
  EXPECT_FALSE(rasterOf(test::greyPng(2041, 1, [](unsigned, unsigned) { return 0; })));
  EXPECT_FALSE(rasterOf(test::greyPng(2048, 1, [](unsigned, unsigned) { return 0; })));
  EXPECT_FALSE(encodeRasterImage(DotImage{8, 0, {}}, gsv0Model()));
}

TEST(ImageRasterTest, OneBitPictureIsUsedUnchangedSoIndexZeroPrints) {
  // Palette entry 0 is white here, so the picture prints as its negative.
  const auto raster = rasterOf(test::whiteFirstOneBitBmp(8, 1, [](unsigned x, unsigned) { return x == 0 ? 1 : 0; }));
  ASSERT_TRUE(raster);
  EXPECT_EQ(*raster, kInitialise + gsv0Header(1) + bandData(1, {{0, '\x7f'}}) + kBandEnd);
}

TEST(ImageRasterTest, TransparentPixelsPrintAsPaper) {
  // Fully transparent black pixels everywhere except one opaque black one.
  const auto raster = rasterOf(test::greyAlphaPng(16, 2, [](unsigned x, unsigned y) {
    return std::pair<std::uint8_t, std::uint8_t>{0, x == 9 && y == 1 ? 255 : 0};
  }));
  ASSERT_TRUE(raster);
  EXPECT_EQ(*raster, kInitialise + gsv0Header(2) + bandData(2, {{3, '\x40'}}) + kBandEnd);
}

TEST(ImageRasterTest, GreyIsDitheredAndSixteenBitPicturesLoad) {
  const auto grey = rasterOf(test::greyPng(384, 24, [](unsigned, unsigned) { return 128; }));
  ASSERT_TRUE(grey);
  std::size_t dots = 0;
  for (std::size_t i = 10; i < 10 + 48 * 24; ++i) dots += std::popcount(static_cast<unsigned char>((*grey)[i]));
  EXPECT_GT(dots, 384u * 24 * 4 / 10);
  EXPECT_LT(dots, 384u * 24 * 6 / 10);

  const auto deep = rasterOf(test::grey16Png(8, 1, [](unsigned x, unsigned) { return x == 0 ? 0 : 0xFFFF; }));
  ASSERT_TRUE(deep);
  EXPECT_EQ(*deep, kInitialise + gsv0Header(1) + bandData(1, {{0, '\x80'}}) + kBandEnd);
}

TEST(ImageRasterTest, UnusableTextGivesNothing) {
  EXPECT_FALSE(rasterForImageText("", gsv0Model()));
  EXPECT_FALSE(rasterForImageText("abc", gsv0Model()));
  EXPECT_FALSE(rasterForImageText(test::base64("not an image file at all"), gsv0Model()));
  const std::string png = test::greyPng(8, 8, [](unsigned, unsigned) { return 0; });
  EXPECT_FALSE(rasterForImageText(test::base64(png.substr(0, png.size() / 2)), gsv0Model()));
  // Announces 20 million pixels: refused rather than decoded.
  EXPECT_FALSE(rasterForImageText(
      test::base64(test::whiteFirstOneBitBmp(5000, 4000, [](unsigned, unsigned) { return 0; })), gsv0Model()));
}

// Logo formats load; the others are refused, even whole files, since
// FreeImage's loaders for them crashed on these few stray bytes.
CallResult checkImage(const CallArguments& arguments) {
  test::TestContextHolder state;
  return test::callFunction(state.context, "checkImage", arguments);
}

TEST(ImageRasterTest, OnlyLogoFormatsAreLoaded) {
  const auto pattern = [](unsigned x, unsigned y) -> std::uint8_t {
    return static_cast<std::uint8_t>(x * 37 + y * 91);
  };
  const auto fromPng = rasterOf(test::greyPng(16, 8, pattern));
  ASSERT_TRUE(fromPng);
  EXPECT_EQ(rasterOf(test::greyPicture(16, 8, pattern, test::PictureFormat::bmp)), fromPng);
  EXPECT_TRUE(rasterOf(test::greyPicture(16, 8, pattern, test::PictureFormat::jpeg)));
  EXPECT_TRUE(rasterOf(test::greyPicture(16, 8, pattern, test::PictureFormat::gif)));
  EXPECT_FALSE(rasterOf(test::greyPicture(16, 8, pattern, test::PictureFormat::targa)));

  const std::string strayTarga = hexBytes("32 00 0a 00 02 00 00 00 00 00 00 b7 0e d5 01 00 20 30 00");
  const std::string strayPnm =
      "P4g\xb8"
      "2" +
      std::string(89, '9') + "P=72[" + std::string(1, '\0') + "7'";
  for (const std::string& stray : {strayTarga, strayPnm}) {
    EXPECT_FALSE(rasterOf(stray));
    EXPECT_EQ(checkImage(args({test::base64(stray)})), CallResult::boolean(false));
  }
}

// FreeImage allocates a GIF's announced size before reading its pixels, so
// the size is read here first: these few bytes would cost gigabytes.
TEST(ImageRasterTest, GifsAnnouncingHugePicturesAreRefusedUnread) {
  const auto screen = [](const char* size) {
    return "GIF89a" + hexBytes(size) + hexBytes("80 00 00") + std::string(6, '\0');
  };
  const std::string comment = hexBytes("21 fe 03") + "abc" + std::string(1, '\0');
  const auto picture = [](const char* size) {
    return hexBytes("2c 00 00 00 00") + hexBytes(size) + hexBytes("00 02 02 4c 01 00 3b");
  };
  constexpr unsigned long long kLimit = 16ull * 1024 * 1024;
  EXPECT_TRUE(gifSizeWithin(screen("10 00 08 00") + comment + picture("10 00 08 00"), kLimit));
  EXPECT_TRUE(gifSizeWithin(screen("00 10 00 10") + picture("00 10 00 10"), kLimit));  // 4096 x 4096
  EXPECT_FALSE(gifSizeWithin(screen("01 10 00 10") + picture("10 00 08 00"), kLimit));
  EXPECT_FALSE(gifSizeWithin(screen("10 00 08 00") + comment + picture("ff ff ff ff"), kLimit));
  EXPECT_FALSE(gifSizeWithin(screen("10 00 08 00") + comment, kLimit));  // no picture
  EXPECT_FALSE(gifSizeWithin(screen("10 00 08 00") + comment.substr(0, 4), kLimit));
  const auto white = [](unsigned, unsigned) -> std::uint8_t { return 255; };
  EXPECT_TRUE(gifSizeWithin(test::greyPicture(384, 2, white, test::PictureFormat::gif), kLimit));

  const std::string huge = screen("10 00 08 00") + comment + picture("ff ff ff ff");
  EXPECT_FALSE(rasterOf(huge));
  EXPECT_EQ(checkImage(args({test::base64(huge)})), CallResult::boolean(false));
}

TEST(CheckImageTest, AcceptsTheTwoRollWidthsOnly) {
  const auto white = [](unsigned, unsigned) -> std::uint8_t { return 255; };
  EXPECT_EQ(checkImage(args({test::base64(test::greyPng(384, 3, white))})), CallResult::boolean(true));
  EXPECT_EQ(checkImage(args({test::base64(test::greyPng(576, 1, white))})), CallResult::boolean(true));
  EXPECT_EQ(checkImage(args({test::base64(test::greyPng(385, 1, white))})), CallResult::boolean(false));
  EXPECT_EQ(checkImage(args({"abc"})), CallResult::boolean(false));
  EXPECT_EQ(checkImage(args({})), CallResult::boolean(false));
  EXPECT_EQ(checkImage(args({test::base64(test::greyPng(384, 1, white)), "x"})), CallResult::boolean(false));
}

class PrintLogoTest : public test::ContextTest {
 protected:
  void SetUp() override {
    spooler_.addPrinter(kPrinter);
    test::sessionOf(context_.printers, kPrinter).commands = gsv0Model();
  }

  void openThePrinter() { test::sessionOf(context_.printers, kPrinter).handle = *spooler_.open(kPrinter); }
  const std::string logo_ = test::base64(test::greyPng(384, 30, [](unsigned, unsigned) { return 0; }));
};

TEST_F(PrintLogoTest, WritesTheWholePictureInOneWriteToTheOpenPrinter) {
  openThePrinter();
  EXPECT_EQ(call("printLogo", args({"Receipt", logo_})), CallResult::boolean(true));
  ASSERT_EQ(spooler_.writes().size(), 1u);
  const std::string full(48 * 24, '\xff');
  const std::string partial = std::string(48 * 6, '\xff') + std::string(48 * 18, '\0');
  EXPECT_EQ(spooler_.writes()[0], kInitialise + gsv0Header(48) + full + kBandEnd + gsv0Header(48) + partial + kBandEnd);
}

TEST_F(PrintLogoTest, GivesTrueWithoutPrintingWhenNothingCanBePrinted) {
  EXPECT_EQ(call("printLogo", args({"Receipt", logo_})), CallResult::boolean(true));  // not open
  openThePrinter();
  EXPECT_EQ(call("printLogo", args({"Receipt", "abc"})), CallResult::boolean(true));
  EXPECT_EQ(
      call("printLogo", args({"Receipt", test::base64(test::greyPng(2048, 1, [](unsigned, unsigned) { return 0; }))})),
      CallResult::boolean(true));
  EXPECT_EQ(call("printLogo", args({"Receipt"})), CallResult::boolean(false));
  EXPECT_EQ(call("printLogo", args({"Receipt", logo_, "x"})), CallResult::boolean(false));
  EXPECT_TRUE(spooler_.writes().empty());
}

}  // namespace
}  // namespace lumetra
