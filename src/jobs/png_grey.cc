#include "jobs/png_grey.h"

#include <isa-l/igzip_lib.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "jobs/image_grey.h"
#include "jobs/image_loading.h"
#include "jobs/png_chunks.h"
#include "jobs/png_filters.h"

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

// The filtered rows, each a filter type byte and the row's bytes: exactly
// that many bytes, from a stream that ends exactly where the data does, or
// nothing (the header's check bits, a preset dictionary and the Adler-32 are
// checked as zlib checks them).
// Not zeroed first: every byte is written by the inflater or the image is
// refused, and a logo's megabytes are not cleared for nothing.
using Rows = std::unique_ptr<std::uint8_t[]>;

std::optional<Rows> inflatedRows(const PlainPngImage& image) {
  const std::size_t size = static_cast<std::size_t>(image.height) * (1 + std::size_t{image.width} * image.channels);
  if (!fitsDeclaredWindow(image.compressed, size) || size > UINT32_MAX || image.compressed.size() > UINT32_MAX) {
    return std::nullopt;
  }
  // The inflater's tables take 85 KiB: too much for the page's stack, and
  // kept per thread, as a fresh allocation for every logo would move the
  // rows below to memory the system has to map and clear again each time.
  thread_local const auto state = std::make_unique<inflate_state>();
  isal_inflate_init(state.get());
  state->crc_flag = ISAL_ZLIB;
  Rows rows(new std::uint8_t[size]);
  // ISA-L only reads through next_in; its API lacks const.
  state->next_in = reinterpret_cast<std::uint8_t*>(const_cast<char*>(image.compressed.data()));
  state->avail_in = static_cast<std::uint32_t>(image.compressed.size());
  state->next_out = rows.get();
  state->avail_out = static_cast<std::uint32_t>(size);
  const int result = isal_inflate_stateless(state.get());
  if (result != ISAL_DECOMP_OK || state->avail_in != 0 || state->total_out != size) return std::nullopt;
  return rows;
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
  const std::optional<Rows> rows = inflatedRows(*image);
  if (!rows) return std::nullopt;
  const std::size_t rowBytes = std::size_t{image->width} * image->channels;
  if (!unfilterRows(rows->get(), image->height, rowBytes, image->channels)) return std::nullopt;
  const GreyLine greyLine = greyLineFor(image->channels);
  GreyPicture picture{image->width, image->height, std::vector<std::uint8_t>(std::size_t{image->width} * image->height)};
  for (unsigned y = 0; y < image->height; ++y) {
    // The file's top row comes first; the picture keeps the bottom row first.
    greyLine(rows->get() + y * (1 + rowBytes) + 1, image->width, picture.scanLine(image->height - 1 - y));
  }
  return picture;
}

}  // namespace lumetra
