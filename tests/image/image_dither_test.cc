// Our grey conversion and dithering against FreeImage's own (composite onto
// white, FreeImage_Dither with FID_FS): every dot of every picture must agree.
#include <gtest/gtest.h>
#include <FreeImage.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>

#include "image/floyd_steinberg.h"
#include "image/freeimage_bitmap.h"
#include "image/image_grey.h"
#include "image/image_loading.h"
#include "support/test_pictures.h"

namespace lumetra {
namespace {

using PixelBytes = std::function<void(unsigned x, unsigned y, BYTE* pixel)>;

// A picture of `bpp` bits whose pixel bytes (scan line order) the function
// writes; pictures under 8 bits get whole bytes.
Bitmap picture(unsigned width, unsigned height, unsigned bpp, const PixelBytes& write, unsigned redMask = 0,
               unsigned greenMask = 0, unsigned blueMask = 0) {
  Bitmap bitmap(FreeImage_Allocate(static_cast<int>(width), static_cast<int>(height), static_cast<int>(bpp), redMask,
                                   greenMask, blueMask));
  if (!bitmap) throw std::runtime_error("cannot allocate picture");
  const unsigned bytesPerPixel = bpp < 8 ? 1 : bpp / 8;
  const unsigned units = bpp < 8 ? FreeImage_GetLine(bitmap.get()) : width;
  for (unsigned y = 0; y < height; ++y) {
    for (unsigned x = 0; x < units; ++x)
      write(x, y, FreeImage_GetScanLine(bitmap.get(), static_cast<int>(y)) + x * bytesPerPixel);
  }
  return bitmap;
}

// The dots as FreeImage makes them, packed as DotImage rows: top row first,
// a dot wherever the 1-bit result holds palette index 0.
DotImage freeImageDots(FIBITMAP* source) {
  Bitmap work(FreeImage_Clone(source));
  if (FreeImage_IsTransparent(work.get())) {
    if (FreeImage_GetBPP(work.get()) != 32) work = Bitmap(FreeImage_ConvertTo32Bits(work.get()));
    RGBQUAD white{0xFF, 0xFF, 0xFF, 0};
    work = Bitmap(FreeImage_Composite(work.get(), FALSE, &white, nullptr));
  }
  const Bitmap oneBit(FreeImage_Dither(work.get(), FID_FS));
  if (!oneBit) throw std::runtime_error("FreeImage cannot dither");
  DotImage dots{FreeImage_GetWidth(oneBit.get()), FreeImage_GetHeight(oneBit.get()), {}};
  dots.dots.resize(dots.bytesPerRow() * dots.height);
  for (unsigned row = 0; row < dots.height; ++row) {
    const BYTE* line = FreeImage_GetScanLine(oneBit.get(), static_cast<int>(dots.height - 1 - row));
    for (unsigned x = 0; x < dots.width; ++x) {
      if ((line[x / 8] & (0x80 >> (x % 8))) == 0) dots.dots[row * dots.bytesPerRow() + x / 8] |= 0x80 >> (x % 8);
    }
  }
  return dots;
}

DotImage ourDots(FIBITMAP* source) {
  const std::optional<GreyPicture> grey = greyLevelsForDithering(source);
  if (!grey) throw std::runtime_error("no grey levels");
  return ditherFloydSteinberg(*grey);
}

void expectSameDots(FIBITMAP* source, const std::string& name) {
  const DotImage expected = freeImageDots(source);
  const DotImage actual = ourDots(source);
  ASSERT_EQ(actual.width, expected.width) << name;
  ASSERT_EQ(actual.height, expected.height) << name;
  for (unsigned row = 0; row < expected.height; ++row) {
    const auto at = expected.dots.begin() + row * expected.bytesPerRow();
    ASSERT_TRUE(std::equal(at, at + expected.bytesPerRow(), actual.dots.begin() + row * expected.bytesPerRow()))
        << name << ": first difference in row " << row;
  }
}

// Grey level patterns: gradients, the benchmark's rings, noise from a fixed
// seed (the errors then swing hard both ways), flat levels at the threshold.
using Pattern = std::function<BYTE(unsigned x, unsigned y)>;
std::vector<std::pair<std::string, Pattern>> patterns() {
  auto noise = std::make_shared<std::mt19937>(20240611);
  return {{"gradient", [](unsigned x, unsigned y) { return static_cast<BYTE>((x * 7 + y * 3) % 256); }},
          {"rings", [](unsigned x, unsigned y) { return static_cast<BYTE>((x * x + y * y) / 37 % 256); }},
          {"noise", [noise](unsigned, unsigned) { return static_cast<BYTE>((*noise)()); }},
          {"flat127", [](unsigned, unsigned) { return BYTE{127}; }},
          {"flat128", [](unsigned, unsigned) { return BYTE{128}; }},
          {"black", [](unsigned, unsigned) { return BYTE{0}; }},
          {"white", [](unsigned, unsigned) { return BYTE{255}; }}};
}

const std::vector<std::pair<unsigned, unsigned>> kSizes = {{1, 1},  {1, 40}, {40, 1},  {2, 2},    {2, 30},
                                                           {7, 13}, {9, 9},  {64, 48}, {577, 31}, {3, 577}};

TEST(ImageDitherTest, GreyAndColourPicturesGiveFreeImagesDots) {
  std::mt19937 colours(7);
  for (const auto& [patternName, pattern] : patterns()) {
    const Pattern& level = pattern;  // lambdas cannot capture a structured binding under clang 14
    for (const auto& [width, height] : kSizes) {
      const std::string name = patternName + " " + std::to_string(width) + "x" + std::to_string(height);
      expectSameDots(picture(width, height, 8, [&](unsigned x, unsigned y, BYTE* p) { *p = level(x, y); }).get(),
                     name + " grey8");
      expectSameDots(picture(width, height, 24,
                             [&](unsigned x, unsigned y, BYTE* p) {
                               p[0] = level(x, y);
                               p[1] = static_cast<BYTE>(level(y, x) ^ 0x5A);
                               p[2] = static_cast<BYTE>(colours());
                             })
                         .get(),
                     name + " rgb24");
      expectSameDots(picture(width, height, 32,
                             [&](unsigned x, unsigned y, BYTE* p) {
                               p[0] = p[1] = p[2] = level(x, y);
                               p[3] = 0xFF;
                             })
                         .get(),
                     name + " opaque32");
      expectSameDots(picture(width, height, 32,
                             [&](unsigned x, unsigned y, BYTE* p) {
                               p[0] = level(x, y);
                               p[1] = static_cast<BYTE>(colours());
                               p[2] = static_cast<BYTE>(x * 5);
                               p[3] = static_cast<BYTE>(
                                   std::array<unsigned, 4>{0, 255, static_cast<unsigned>(colours()), 128}[(x + y) % 4]);
                             })
                         .get(),
                     name + " alpha32");
    }
  }
}

void fillPalette(FIBITMAP* bitmap, std::mt19937& random) {
  RGBQUAD* palette = FreeImage_GetPalette(bitmap);
  for (unsigned i = 0; i < FreeImage_GetColorsUsed(bitmap); ++i) {
    palette[i] = RGBQUAD{static_cast<BYTE>(random()), static_cast<BYTE>(random()), static_cast<BYTE>(random()), 0};
  }
}

TEST(ImageDitherTest, PalettesSixteenBitAndTransparentPalettesGiveFreeImagesDots) {
  std::mt19937 random(11);
  auto randomBytes = [&](unsigned, unsigned, BYTE* p) { *p = static_cast<BYTE>(random()); };
  auto randomWords = [&](unsigned, unsigned, BYTE* p) {
    p[0] = static_cast<BYTE>(random()), p[1] = static_cast<BYTE>(random());
  };
  for (const auto& [width, height] : kSizes) {
    const std::string name = std::to_string(width) + "x" + std::to_string(height);
    Bitmap colour8 = picture(width, height, 8, randomBytes);
    fillPalette(colour8.get(), random);
    expectSameDots(colour8.get(), name + " palette8");

    Bitmap reversed = picture(width, height, 8, randomBytes);
    for (unsigned i = 0; i < 256; ++i) {
      const auto level = static_cast<BYTE>(255 - i);
      FreeImage_GetPalette(reversed.get())[i] = RGBQUAD{level, level, level, 0};
    }
    ASSERT_EQ(FreeImage_GetColorType(reversed.get()), FIC_MINISWHITE);
    expectSameDots(reversed.get(), name + " reversed grey8");

    Bitmap colour4 = picture(width, height, 4, randomBytes);
    fillPalette(colour4.get(), random);
    expectSameDots(colour4.get(), name + " palette4");

    Bitmap seeThrough = picture(width, height, 8, randomBytes);
    fillPalette(seeThrough.get(), random);
    std::array<BYTE, 256> alphas{};
    for (BYTE& alpha : alphas) alpha = std::array<BYTE, 4>{0, 255, 77, static_cast<BYTE>(random())}[random() % 4];
    FreeImage_SetTransparencyTable(seeThrough.get(), alphas.data(), 256);
    expectSameDots(seeThrough.get(), name + " transparent palette8");

    expectSameDots(
        picture(width, height, 16, randomWords, FI16_565_RED_MASK, FI16_565_GREEN_MASK, FI16_565_BLUE_MASK).get(),
        name + " rgb565");
    expectSameDots(
        picture(width, height, 16, randomWords, FI16_555_RED_MASK, FI16_555_GREEN_MASK, FI16_555_BLUE_MASK).get(),
        name + " rgb555");
  }
}

// Our grey levels for `source` against FreeImage's 8-bit `expected`.
void expectSameGreyLevels(FIBITMAP* source, FIBITMAP* expected) {
  const std::optional<GreyPicture> actual = greyLevelsForDithering(source);
  ASSERT_TRUE(actual);
  ASSERT_TRUE(expected);
  for (unsigned y = 0; y < actual->height; ++y) {
    ASSERT_EQ(std::memcmp(actual->scanLine(y), FreeImage_GetScanLine(expected, static_cast<int>(y)), actual->width), 0)
        << "scan line " << y;
  }
}

// Every one of the 2^24 colours: our grey level against FreeImage's.
TEST(ImageDitherTest, GreyLevelOfEveryColourIsFreeImages) {
  const Bitmap colours = picture(4096, 4096, 24, [](unsigned x, unsigned y, BYTE* p) {
    const unsigned colour = y * 4096 + x;
    p[0] = static_cast<BYTE>(colour), p[1] = static_cast<BYTE>(colour >> 8), p[2] = static_cast<BYTE>(colour >> 16);
  });
  expectSameGreyLevels(colours.get(), Bitmap(FreeImage_ConvertToGreyscale(colours.get())).get());
}

// Every channel value under every opacity, composited onto white and greyed.
TEST(ImageDitherTest, EveryOpacityOfEveryChannelValueFlattensAsFreeImageDoes) {
  const Bitmap translucent = picture(256, 256, 32, [](unsigned x, unsigned y, BYTE* p) {
    p[0] = static_cast<BYTE>(x), p[1] = static_cast<BYTE>(255 - x), p[2] = static_cast<BYTE>(x ^ 0x5A);
    p[3] = static_cast<BYTE>(y);
  });
  RGBQUAD white{0xFF, 0xFF, 0xFF, 0};
  const Bitmap flattened(FreeImage_Composite(translucent.get(), FALSE, &white, nullptr));
  expectSameGreyLevels(translucent.get(), Bitmap(FreeImage_ConvertToGreyscale(flattened.get())).get());
}

// The whole loading path, from a logo-sized PNG file as a page sends it:
// opaque rings above, fading out below.
TEST(ImageDitherTest, LoadedPngGivesFreeImagesDots) {
  const std::string file = test::greyAlphaPng(576, 576, [](unsigned x, unsigned y) {
    const auto level = static_cast<std::uint8_t>((x * x + y * y) / 97 + x / 3);
    return std::pair<std::uint8_t, std::uint8_t>{level, y < 288 ? 255 : static_cast<std::uint8_t>(575 - y)};
  });
  FIMEMORY* memory =
      FreeImage_OpenMemory(reinterpret_cast<BYTE*>(const_cast<char*>(file.data())), static_cast<DWORD>(file.size()));
  const Bitmap loaded(FreeImage_LoadFromMemory(FIF_PNG, memory, 0));
  FreeImage_CloseMemory(memory);
  ASSERT_TRUE(loaded);
  const std::optional<DotImage> dots = loadDotImage(file);
  ASSERT_TRUE(dots);
  EXPECT_EQ(dots->dots, freeImageDots(loaded.get()).dots);
}

}  // namespace
}  // namespace lumetra
