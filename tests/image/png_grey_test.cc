// PNG files decoded without FreeImage against FreeImage's own loading of the
// same bytes: every grey level and every dot must agree, and every file the
// decoder does not take must still load exactly as FreeImage loads it.
#include "image/png_grey.h"

#include <gtest/gtest.h>
#include <FreeImage.h>

#include <array>
#include <cstring>
#include <functional>
#include <random>
#include <string>

#include "image/floyd_steinberg.h"
#include "image/freeimage_bitmap.h"
#include "image/image_grey.h"
#include "image/image_loading.h"
#include "image/png_chunks.h"
#include "support/png_writer.h"
#include "support/test_pictures.h"

namespace lumetra {
namespace {

using test::PngPixels;

Bitmap freeImageLoad(const std::string& file, int flags = 0) {
  FIMEMORY* memory =
      FreeImage_OpenMemory(reinterpret_cast<BYTE*>(const_cast<char*>(file.data())), static_cast<DWORD>(file.size()));
  Bitmap bitmap(FreeImage_LoadFromMemory(FIF_PNG, memory, flags));
  FreeImage_CloseMemory(memory);
  return bitmap;
}

// The dots of the FreeImage path: its bitmap, brought to an ordinary
// picture where needed, greyed and dithered.
std::optional<DotImage> freeImagePathDots(const std::string& file) {
  Bitmap bitmap = freeImageLoad(file);
  if (bitmap && FreeImage_GetImageType(bitmap.get()) != FIT_BITMAP) {
    bitmap = Bitmap(FreeImage_ConvertToType(bitmap.get(), FIT_BITMAP, TRUE));
  }
  if (!bitmap) return std::nullopt;
  const std::optional<GreyPicture> grey = greyLevelsForDithering(bitmap.get());
  if (!grey) return std::nullopt;
  return ditherFloydSteinberg(*grey);
}

void expectSameDots(const std::optional<DotImage>& actual, const std::optional<DotImage>& expected,
                    const std::string& name) {
  ASSERT_EQ(actual.has_value(), expected.has_value()) << name;
  if (!expected) return;
  EXPECT_EQ(actual->width, expected->width) << name;
  EXPECT_EQ(actual->height, expected->height) << name;
  EXPECT_TRUE(actual->dots == expected->dots) << name;
}

void expectFreeImagesGreyLevels(const std::string& file, const std::string& name) {
  const Bitmap bitmap = freeImageLoad(file);
  ASSERT_TRUE(bitmap) << name << ": FreeImage cannot load it";
  const std::optional<GreyPicture> expected = greyLevelsForDithering(bitmap.get());
  const std::optional<GreyPicture> actual = greyLevelsOfPlainPng(file);
  ASSERT_TRUE(expected && actual) << name;
  ASSERT_EQ(actual->width, expected->width) << name;
  ASSERT_EQ(actual->height, expected->height) << name;
  for (unsigned y = 0; y < expected->height; ++y) {
    ASSERT_EQ(std::memcmp(actual->scanLine(y), expected->scanLine(y), expected->width), 0)
        << name << ": first difference in scan line " << y;
  }
  expectSameDots(loadDotImage(file), ditherFloydSteinberg(*expected), name);
}

// Grey level patterns: gradients, rings, noise from a fixed seed.
using Pattern = std::function<std::uint8_t(unsigned x, unsigned y, unsigned channel)>;
std::vector<std::pair<std::string, Pattern>> patterns() {
  auto noise = std::make_shared<std::mt19937>(20240612);
  return {{"gradient",
           [](unsigned x, unsigned y, unsigned c) { return static_cast<std::uint8_t>(x * 7 + y * 3 + c * 50); }},
          {"rings",
           [](unsigned x, unsigned y, unsigned c) { return static_cast<std::uint8_t>((x * x + y * y) / 37 + c * 90); }},
          {"noise", [noise](unsigned, unsigned, unsigned) { return static_cast<std::uint8_t>((*noise)()); }}};
}

// Opacity patterns for RGBA: all opaque, all transparent, a mix of the
// extremes and values between, and opaque lines beside translucent ones
// (the opaque lines take a shortcut through the compositing).
using Opacity = std::function<std::uint8_t(unsigned x, unsigned y)>;
std::vector<std::pair<std::string, Opacity>> opacities() {
  return {{"opaque", [](unsigned, unsigned) { return std::uint8_t{255}; }},
          {"transparent", [](unsigned, unsigned) { return std::uint8_t{0}; }},
          {"mixed",
           [](unsigned x, unsigned y) {
             return std::array<std::uint8_t, 5>{0, 255, 1, 128, 254}[(x + 2 * y) % 5];
           }},
          {"opaque lines", [](unsigned x, unsigned y) { return static_cast<std::uint8_t>(y % 3 ? 255 : x * 11); }}};
}

PngPixels pixels(unsigned width, unsigned height, unsigned channels, const Pattern& level, const Opacity& opacity) {
  PngPixels picture{width, height, channels, {}};
  for (unsigned y = 0; y < height; ++y) {
    for (unsigned x = 0; x < width; ++x) {
      for (unsigned c = 0; c < channels; ++c) picture.samples.push_back(c == 3 ? opacity(x, y) : level(x, y, c));
    }
  }
  return picture;
}

unsigned colourTypeOf(unsigned channels) { return channels == 1 ? 0 : channels == 3 ? 2 : 6; }

// Variants 0 to 4 turn the five filters over the rows, each starting with
// another; variant 5 has runs of 1 to 5, 8 and 11 Paeth rows, which are
// undone side by side.
unsigned filterOfRow(unsigned variant, unsigned row) {
  static constexpr std::array<unsigned, 45> kPaethRuns = {4, 1, 4, 4, 2, 4, 4, 4, 3, 4, 4, 4, 4, 0, 4,
                                                          4, 4, 4, 4, 1, 4, 4, 4, 4, 4, 4, 4, 4, 2, 4,
                                                          4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 3, 4, 4, 4, 1};
  return variant < 5 ? (row + variant) % 5 : kPaethRuns[row % kPaethRuns.size()];
}

// Odd variants carry metadata chunks around image data split into pieces
// (one of them empty); the file order is what any encoder may write.
std::string plainPng(const PngPixels& picture, unsigned variant) {
  const std::string stream =
      test::zlibStream(test::filteredRows(picture, [variant](unsigned row) { return filterOfRow(variant, row); }));
  std::vector<std::string> chunks{
      test::pngHeaderChunk(picture.width, picture.height, 8, colourTypeOf(picture.channels))};
  if (variant % 2 == 0) {
    chunks.push_back(test::pngChunk("IDAT", stream));
  } else {
    chunks.push_back(test::pngChunk("pHYs", std::string("\0\0\x0b\x13\0\0\x0b\x13\x01", 9)));
    chunks.push_back(test::pngChunk("tEXt", std::string("Title\0Logo", 10)));
    chunks.push_back(test::pngChunk("IDAT", ""));
    for (std::string& piece : test::imageDataChunks(stream, stream.size() / 3 + 1)) chunks.push_back(std::move(piece));
    chunks.push_back(test::pngChunk("tIME", std::string("\x07\xe8\x06\x0c\x0c\x00\x00", 7)));
  }
  chunks.push_back(test::pngChunk("IEND", ""));
  return test::pngFile(chunks);
}

const std::vector<std::pair<unsigned, unsigned>> kSizes = {{1, 1},    {1, 40},  {40, 1},   {7, 13},
                                                           {577, 31}, {3, 577}, {576, 576}};

TEST(PngGreyTest, GreyRgbAndRgbaFilesGiveFreeImagesGreyLevelsAndDots) {
  for (const auto& [patternName, pattern] : patterns()) {
    const Pattern& level = pattern;
    for (const auto& [width, height] : kSizes) {
      // Every filter on every row position for the small pictures.
      for (unsigned variant :
           width* height > 100000 ? std::vector<unsigned>{0, 5} : std::vector<unsigned>{0, 1, 2, 3, 4, 5}) {
        const std::string name = patternName + " " + std::to_string(width) + "x" + std::to_string(height) +
                                 " variant " + std::to_string(variant);
        const auto opaque = opacities().front().second;
        expectFreeImagesGreyLevels(plainPng(pixels(width, height, 1, level, opaque), variant), name + " grey");
        expectFreeImagesGreyLevels(plainPng(pixels(width, height, 3, level, opaque), variant), name + " rgb");
        for (const auto& [opacityName, opacity] : opacities()) {
          expectFreeImagesGreyLevels(plainPng(pixels(width, height, 4, level, opacity), variant),
                                     name + " rgba " + opacityName);
        }
      }
    }
  }
}

// Files written by libpng itself (through FreeImage): small pictures get a
// zlib window smaller than 32 KiB.
TEST(PngGreyTest, FilesWrittenByFreeImageGiveItsGreyLevels) {
  for (const auto& [width, height] : kSizes) {
    const std::string name = std::to_string(width) + "x" + std::to_string(height);
    expectFreeImagesGreyLevels(
        test::greyPng(width, height, [](unsigned x, unsigned y) { return static_cast<std::uint8_t>(x ^ y); }),
        name + " rgb");
    expectFreeImagesGreyLevels(test::greyAlphaPng(width, height,
                                                  [](unsigned x, unsigned y) {
                                                    return std::pair<std::uint8_t, std::uint8_t>(
                                                        static_cast<std::uint8_t>(x * y),
                                                        static_cast<std::uint8_t>(x + y));
                                                  }),
                               name + " rgba");
  }
}

// Files the decoder leaves to FreeImage must load exactly as FreeImage loads
// them, or not at all where FreeImage refuses them.
void expectLeftToFreeImage(const std::string& file, const std::string& name) {
  EXPECT_FALSE(greyLevelsOfPlainPng(file)) << name;
  expectSameDots(loadDotImage(file), freeImagePathDots(file), name);
}

std::string bigEndian32(std::uint32_t value) {
  return {static_cast<char>(value >> 24), static_cast<char>(value >> 16), static_cast<char>(value >> 8),
          static_cast<char>(value)};
}

// A small RGBA picture's parts, for the files below to vary.
struct SampleParts {
  PngPixels picture = pixels(37, 23, 4, patterns()[1].second, opacities()[2].second);
  std::string header = test::pngHeaderChunk(37, 23, 8, 6);
  std::string stream = test::zlibStream(test::filteredRows(picture, [](unsigned row) { return row % 5; }));
  std::string end = test::pngChunk("IEND", "");

  std::string file(const std::vector<std::string>& middle) const {
    std::vector<std::string> chunks{header};
    chunks.insert(chunks.end(), middle.begin(), middle.end());
    chunks.push_back(end);
    return test::pngFile(chunks);
  }
  std::string imageData() const { return test::pngChunk("IDAT", stream); }
};

TEST(PngGreyTest, ChunksThatChangePixelsAreLeftToFreeImage) {
  const SampleParts parts;
  const std::string gamma = parts.file({test::pngChunk("gAMA", bigEndian32(100000)), parts.imageData()});
  expectLeftToFreeImage(gamma, "gAMA");
  // The gamma does change FreeImage's picture, so taking the file would be wrong.
  EXPECT_NE(freeImagePathDots(gamma)->dots, freeImagePathDots(parts.file({parts.imageData()}))->dots);
  expectLeftToFreeImage(parts.file({test::pngChunk("sRGB", std::string(1, '\0')), parts.imageData()}), "sRGB");
  expectLeftToFreeImage(parts.file({test::pngChunk("PLTE", std::string(6, '\x40')), parts.imageData()}), "PLTE");
  expectLeftToFreeImage(parts.file({test::pngChunk("prVt", "private"), parts.imageData()}), "unknown chunk");

  const PngPixels grey = pixels(19, 11, 1, patterns()[0].second, opacities()[0].second);
  const std::string greyData =
      test::pngChunk("IDAT", test::zlibStream(test::filteredRows(grey, [](unsigned) { return 1u; })));
  const std::string greyHeader = test::pngHeaderChunk(19, 11, 8, 0);
  const std::string keyed =
      test::pngFile({greyHeader, test::pngChunk("tRNS", std::string("\0\x07", 2)), greyData, parts.end});
  expectLeftToFreeImage(keyed, "grey tRNS");
  EXPECT_NE(freeImagePathDots(keyed)->dots, freeImagePathDots(test::pngFile({greyHeader, greyData, parts.end}))->dots);
}

TEST(PngGreyTest, OtherPixelFormatsAreLeftToFreeImage) {
  expectLeftToFreeImage(
      test::grey16Png(23, 17, [](unsigned x, unsigned y) { return static_cast<std::uint16_t>(x * 3001 + y * 77); }),
      "16-bit grey");
  const SampleParts parts;
  const Bitmap bitmap = freeImageLoad(parts.file({parts.imageData()}));
  FIMEMORY* memory = FreeImage_OpenMemory();
  ASSERT_TRUE(FreeImage_SaveToMemory(FIF_PNG, bitmap.get(), memory, PNG_INTERLACED));
  BYTE* data = nullptr;
  DWORD size = 0;
  FreeImage_AcquireMemory(memory, &data, &size);
  const std::string interlaced(reinterpret_cast<const char*>(data), size);
  FreeImage_CloseMemory(memory);
  expectLeftToFreeImage(interlaced, "interlaced");

  const PngPixels indices = pixels(19, 11, 1, patterns()[2].second, opacities()[0].second);
  std::string palette;
  for (unsigned i = 0; i < 256; ++i)
    palette += {static_cast<char>(i), static_cast<char>(255 - i), static_cast<char>(i * 7)};
  expectLeftToFreeImage(
      test::pngFile({test::pngHeaderChunk(19, 11, 8, 3), test::pngChunk("PLTE", palette),
                     test::pngChunk("IDAT", test::zlibStream(test::filteredRows(indices, [](unsigned) { return 0u; }))),
                     parts.end}),
      "palette");
}

TEST(PngGreyTest, DamagedFilesAreLeftToFreeImage) {
  const SampleParts parts;
  std::string badCrc = parts.imageData();
  badCrc.back() = static_cast<char>(badCrc.back() ^ 1);
  expectLeftToFreeImage(parts.file({badCrc}), "image data CRC");
  std::string badTextCrc = test::pngChunk("tEXt", std::string("Title\0Logo", 10));
  badTextCrc.back() = static_cast<char>(badTextCrc.back() ^ 1);
  expectLeftToFreeImage(parts.file({badTextCrc, parts.imageData()}), "text CRC");

  const std::string& stream = parts.stream;
  expectLeftToFreeImage(parts.file({test::pngChunk("IDAT", stream.substr(0, stream.size() - 9))}), "truncated stream");
  expectLeftToFreeImage(parts.file({test::pngChunk("IDAT", stream + "extra")}), "data after the stream");
  std::string wrongAdler = stream;
  wrongAdler.back() = static_cast<char>(wrongAdler.back() ^ 1);
  expectLeftToFreeImage(parts.file({test::pngChunk("IDAT", wrongAdler)}), "Adler-32");
  std::string wrongCheckBits = stream;
  wrongCheckBits[1] = static_cast<char>(wrongCheckBits[1] ^ 1);
  expectLeftToFreeImage(parts.file({test::pngChunk("IDAT", wrongCheckBits)}), "header check bits");
  // A preset dictionary (FDICT and its id), which a PNG has no way to give.
  std::string withDictionary = stream.substr(0, 2) + std::string("\1\2\3\4") + stream.substr(2);
  withDictionary[1] = static_cast<char>((withDictionary[1] | 0x20) & 0xE0);
  while ((static_cast<unsigned char>(withDictionary[0]) * 256 + static_cast<unsigned char>(withDictionary[1])) % 31) {
    ++withDictionary[1];
  }
  expectLeftToFreeImage(parts.file({test::pngChunk("IDAT", withDictionary)}), "preset dictionary");
  expectLeftToFreeImage(
      parts.file({test::pngChunk("IDAT", stream.substr(0, 100)), test::pngChunk("tEXt", std::string("a\0b", 3)),
                  test::pngChunk("IDAT", stream.substr(100))}),
      "image data split by another chunk");
  const std::string whole = parts.file({parts.imageData()});
  expectLeftToFreeImage(whole.substr(0, whole.size() - parts.end.size()), "no IEND");

  PngPixels picture = parts.picture;
  std::string rows = test::filteredRows(picture, [](unsigned row) { return row % 5; });
  rows[(1 + 37 * 4) * 6] = 5;
  expectLeftToFreeImage(parts.file({test::pngChunk("IDAT", test::zlibStream(rows))}), "filter type 5");
}

// A picture with over 256 KiB of rows is inflated on a second thread while
// its rows are unfiltered: every way a stream can be wrong is still found,
// wherever in the stream it is.
TEST(PngGreyTest, LargePicturesInflatedAsideAreCheckedAsSmallOnes) {
  const PngPixels picture = pixels(600, 150, 4, patterns()[1].second, opacities()[2].second);
  const auto filters = [](unsigned row) { return row % 5; };
  std::string rows = test::filteredRows(picture, filters);
  const std::string stream = test::zlibStream(rows);
  const auto file = [](const std::string& data, unsigned height = 150) {
    return test::pngFile(
        {test::pngHeaderChunk(600, height, 8, 6), test::pngChunk("IDAT", data), test::pngChunk("IEND", "")});
  };
  ASSERT_TRUE(greyLevelsOfPlainPng(file(stream)));
  expectFreeImagesGreyLevels(file(stream), "600x150");

  expectLeftToFreeImage(file(stream.substr(0, stream.size() - 9)), "truncated stream");
  expectLeftToFreeImage(file(stream.substr(0, stream.size() / 2)), "stream cut in half");
  expectLeftToFreeImage(file(stream + "extra"), "data after the stream");
  std::string wrongAdler = stream;
  wrongAdler.back() = static_cast<char>(wrongAdler.back() ^ 1);
  expectLeftToFreeImage(file(wrongAdler), "Adler-32");
  std::string damaged = stream;
  damaged[damaged.size() / 2] = static_cast<char>(damaged[damaged.size() / 2] ^ 0x55);
  expectLeftToFreeImage(file(damaged), "damaged in the middle");
  expectLeftToFreeImage(file(stream, 149), "a row more than the header says");
  rows[149 * (1 + 600 * 4)] = 5;
  expectLeftToFreeImage(file(test::zlibStream(rows)), "filter type 5 in the last row");
}

// libpng inflates with the window the zlib header declares: data reaching
// back further fails there, though ISA-L would inflate it.
TEST(PngGreyTest, StreamReachingPastItsDeclaredWindowIsLeftToFreeImage) {
  std::mt19937 random(5);
  std::vector<std::uint8_t> period(1000);
  for (std::uint8_t& byte : period) byte = static_cast<std::uint8_t>(random());
  PngPixels picture{250, 16, 4, {}};
  for (unsigned i = 0; i < 16; ++i) picture.samples.insert(picture.samples.end(), period.begin(), period.end());
  std::string stream = test::zlibStream(test::filteredRows(picture, [](unsigned) { return 0u; }));
  const SampleParts parts;
  const std::string header = test::pngHeaderChunk(250, 16, 8, 6);
  ASSERT_TRUE(greyLevelsOfPlainPng(test::pngFile({header, test::pngChunk("IDAT", stream), parts.end})));
  // A 512-byte window: CINFO 1, with the check bits mended.
  stream[0] = 0x18;
  stream[1] = 0;
  while ((0x18 * 256 + static_cast<unsigned char>(stream[1])) % 31 != 0) ++stream[1];
  const std::string narrow = test::pngFile({header, test::pngChunk("IDAT", stream), parts.end});
  expectLeftToFreeImage(narrow, "512-byte window");
  EXPECT_FALSE(freeImagePathDots(narrow));
}

TEST(PngGreyTest, PicturesBeyondTheLimitsAreRefusedFromTheirHeader) {
  const SampleParts parts;
  // Four terabytes of pixels: any attempt to allocate them would throw.
  const std::string huge = test::pngFile({test::pngHeaderChunk(1000000, 1000000, 8, 6), parts.imageData(), parts.end});
  EXPECT_FALSE(greyLevelsOfPlainPng(huge));
  EXPECT_FALSE(loadDotImage(huge));
  EXPECT_FALSE(
      greyLevelsOfPlainPng(test::pngFile({test::pngHeaderChunk(4097, 4096, 8, 0), parts.imageData(), parts.end})));

  // Within the pixel limit but wider than libpng takes.
  const PngPixels wide{1000001, 1, 1, std::vector<std::uint8_t>(1000001, 200)};
  const std::string wideData =
      test::pngChunk("IDAT", test::zlibStream(test::filteredRows(wide, [](unsigned) { return 0u; })));
  expectLeftToFreeImage(test::pngFile({test::pngHeaderChunk(1000001, 1, 8, 0), wideData, parts.end}),
                        "wider than libpng takes");
  // A chunk longer than libpng takes.
  expectLeftToFreeImage(parts.file({test::pngChunk("tEXt", "Comment" + std::string(8000001, 'x')), parts.imageData()}),
                        "8 MB text");
}

// A chunk claiming more bytes than the file holds: libpng would allocate them
// all before failing, so such a file is refused before FreeImage sees it.
TEST(PngGreyTest, ChunksReachingPastTheFileAreRefused) {
  const SampleParts parts;
  const std::string whole = parts.file({test::pngChunk("tEXt", std::string("a\0b", 3)), parts.imageData()});
  EXPECT_TRUE(pngChunksFitFile(whole));
  EXPECT_TRUE(pngChunksFitFile(whole + "anything after IEND \xff\xff\xff\xff"));
  std::string claiming = whole;
  const std::size_t textLength = 8 + parts.header.size();
  claiming.replace(textLength, 4, bigEndian32(0x78FFFFFF));
  EXPECT_FALSE(pngChunksFitFile(claiming));
  EXPECT_FALSE(loadDotImage(claiming));
  EXPECT_FALSE(imageFileWidth(claiming));
  EXPECT_FALSE(pngChunksFitFile(whole.substr(0, whole.size() - 20)));
}

}  // namespace
}  // namespace lumetra
