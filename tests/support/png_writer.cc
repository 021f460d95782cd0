#include "support/png_writer.h"

#include <libdeflate.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>

namespace lumetra::test {
namespace {

void appendBigEndian32(std::string& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>(value >> shift));
}

// The predictor as the PNG format defines it, written out its own way so
// that the decoder under test is checked against an independent reading.
std::uint8_t paeth(std::uint8_t left, std::uint8_t up, std::uint8_t upLeft) {
  const int estimate = left + up - upLeft;
  const int fromLeft = std::abs(estimate - left);
  const int fromUp = std::abs(estimate - up);
  const int fromUpLeft = std::abs(estimate - upLeft);
  if (fromLeft <= fromUp && fromLeft <= fromUpLeft) return left;
  if (fromUp <= fromUpLeft) return up;
  return upLeft;
}

std::uint8_t predicted(unsigned filter, std::uint8_t left, std::uint8_t up, std::uint8_t upLeft) {
  switch (filter) {
    case 0:
      return 0;
    case 1:
      return left;
    case 2:
      return up;
    case 3:
      return static_cast<std::uint8_t>((left + up) / 2);
    case 4:
      return paeth(left, up, upLeft);
    default:
      throw std::invalid_argument("no such PNG filter");
  }
}

}  // namespace

std::string pngChunk(std::string_view type, std::string_view data) {
  std::string chunk;
  appendBigEndian32(chunk, static_cast<std::uint32_t>(data.size()));
  chunk.append(type).append(data);
  appendBigEndian32(chunk, libdeflate_crc32(0, chunk.data() + 4, chunk.size() - 4));
  return chunk;
}

std::string pngHeaderChunk(unsigned width, unsigned height, unsigned bitDepth, unsigned colourType,
                           unsigned interlace) {
  std::string data;
  appendBigEndian32(data, width);
  appendBigEndian32(data, height);
  for (unsigned byte : {bitDepth, colourType, 0u, 0u, interlace}) data.push_back(static_cast<char>(byte));
  return pngChunk("IHDR", data);
}

std::string filteredRows(const PngPixels& pixels, const std::function<unsigned(unsigned row)>& filterOfRow) {
  const std::size_t rowBytes = std::size_t{pixels.width} * pixels.channels;
  const auto sample = [&](unsigned y, std::size_t i) -> std::uint8_t { return pixels.samples[y * rowBytes + i]; };
  std::string rows;
  for (unsigned y = 0; y < pixels.height; ++y) {
    const unsigned filter = filterOfRow(y);
    rows.push_back(static_cast<char>(filter));
    for (std::size_t i = 0; i < rowBytes; ++i) {
      const bool hasLeft = i >= pixels.channels;
      const std::uint8_t left = hasLeft ? sample(y, i - pixels.channels) : 0;
      const std::uint8_t up = y > 0 ? sample(y - 1, i) : 0;
      const std::uint8_t upLeft = y > 0 && hasLeft ? sample(y - 1, i - pixels.channels) : 0;
      rows.push_back(static_cast<char>(sample(y, i) - predicted(filter, left, up, upLeft)));
    }
  }
  return rows;
}

std::string zlibStream(std::string_view bytes, int level) {
  const std::unique_ptr<libdeflate_compressor, void (*)(libdeflate_compressor*)> compressor(
      libdeflate_alloc_compressor(level), libdeflate_free_compressor);
  if (!compressor) throw std::runtime_error("cannot compress");
  std::string stream(libdeflate_zlib_compress_bound(compressor.get(), bytes.size()), '\0');
  stream.resize(libdeflate_zlib_compress(compressor.get(), bytes.data(), bytes.size(), stream.data(), stream.size()));
  if (stream.empty()) throw std::runtime_error("cannot compress");
  return stream;
}

std::string pngFile(const std::vector<std::string>& chunks) {
  std::string file("\x89PNG\r\n\x1a\n", 8);
  for (const std::string& chunk : chunks) file += chunk;
  return file;
}

std::vector<std::string> imageDataChunks(std::string_view stream, std::size_t pieceSize) {
  std::vector<std::string> chunks;
  for (std::size_t at = 0; at < stream.size(); at += pieceSize)
    chunks.push_back(pngChunk("IDAT", stream.substr(at, pieceSize)));
  return chunks;
}

}  // namespace lumetra::test
