#include "image/png_grey.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "image/image_grey.h"
#include "image/image_loading.h"
#include "image/png_chunks.h"
#include "image/png_filters.h"
#include "image/png_inflate.h"

namespace lumetra {
namespace {

// libpng inflates with the window the stream's header declares, so a stream
// that reaches back further than that fails there while ISA-L (always 32 KiB)
// would take it. No distance can reach back past the start of the output, so
// an output that fits the declared window is safe.
bool fitsDeclaredWindow(const std::string& stream, std::size_t outputSize) {
  if (stream.empty()) return false;
  const unsigned windowBits = (static_cast<unsigned char>(stream[0]) >> 4) + 8;
  return windowBits >= 15 || outputSize <= (std::size_t{1} << windowBits);
}

using GreyLine = void (*)(const std::uint8_t* pixels, unsigned width, std::uint8_t* grey);

// FreeImage loads an 8-bit grey PNG as a bitmap with a linear grey palette,
// whose grey levels are the pixels themselves.
void copyGreyLine(const std::uint8_t* pixels, unsigned width, std::uint8_t* grey) { std::memcpy(grey, pixels, width); }

GreyLine greyLineFor(unsigned channels) {
  if (channels == 1) return copyGreyLine;
  return channels == 3 ? greyOfRgbLine : greyOfRgbaLine;
}

}  // namespace

std::optional<GreyPicture> greyLevelsOfPlainPng(std::string_view fileBytes) {
  const std::optional<PlainPngImage> image = plainPngImage(fileBytes, kMaxImagePixels);
  if (!image) return std::nullopt;
  const std::size_t rowBytes = std::size_t{image->width} * image->channels;
  const std::size_t stride = 1 + rowBytes;
  if (!fitsDeclaredWindow(image->compressed, image->height * stride)) return std::nullopt;
  RowInflater inflater(image->compressed, image->height * stride);
  const GreyLine greyLine = greyLineFor(image->channels);
  GreyPicture picture{image->width, image->height,
                      std::vector<std::uint8_t>(std::size_t{image->width} * image->height)};
  const auto arrived = [&](unsigned count) { return inflater.waitFor(count * stride); };
  // Each row is made grey as soon as it is unfiltered, while it is still in
  // the cache. The file's top row comes first; the picture keeps the bottom
  // row first.
  const auto makeGrey = [&](unsigned first, unsigned count) {
    for (unsigned y = first; y < first + count; ++y) {
      greyLine(inflater.rows() + y * stride + 1, image->width, picture.scanLine(image->height - 1 - y));
    }
  };
  if (!unfilterRows(inflater.rows(), image->height, rowBytes, image->channels, arrived, makeGrey) ||
      !inflater.succeeded()) {
    return std::nullopt;
  }
  return picture;
}

}  // namespace lumetra
