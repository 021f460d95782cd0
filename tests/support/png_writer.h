#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace lumetra::test {

// PNG files put together chunk by chunk, so a test chooses every chunk, row
// filter and colour type, and can damage any byte.

// 8-bit samples, top row first, channels in file order (grey; RGB; RGBA).
struct PngPixels {
  unsigned width = 0;
  unsigned height = 0;
  unsigned channels = 0;
  std::vector<std::uint8_t> samples;  // height * width * channels
};

// One chunk: length, type, data and CRC.
std::string pngChunk(std::string_view type, std::string_view data);

// The IHDR chunk.
std::string pngHeaderChunk(unsigned width, unsigned height, unsigned bitDepth, unsigned colourType,
                           unsigned interlace = 0);

// The rows as the image data holds them before compression: each row led
// by its filter type (0 None .. 4 Paeth) and filtered with it.
std::string filteredRows(const PngPixels& pixels, const std::function<unsigned(unsigned row)>& filterOfRow);

// A zlib stream of `bytes`, compressed at `level` (0 stores them).
std::string zlibStream(std::string_view bytes, int level = 6);

// The signature followed by these chunks.
std::string pngFile(const std::vector<std::string>& chunks);

// `stream` as IDAT chunks of at most `pieceSize` bytes each.
std::vector<std::string> imageDataChunks(std::string_view stream, std::size_t pieceSize);

}  // namespace lumetra::test
