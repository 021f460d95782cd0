#include "image/png_chunks.h"

#include <libdeflate.h>

#include <cstdint>

namespace lumetra {
namespace {

constexpr std::string_view kSignature("\x89PNG\r\n\x1a\n", 8);

// libpng refuses any chunk longer than this (its default chunk allocation
// limit) as corrupt, so FreeImage fails on such a file.
constexpr std::uint32_t kMaxChunkLength = 8000000;

// libpng's default limit on each side of a picture.
constexpr std::uint32_t kMaxSide = 1000000;

std::uint32_t bigEndian32(std::string_view bytes, std::size_t at) {
  const auto byte = [&](std::size_t i) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i]));
  };
  return byte(0) << 24 | byte(1) << 16 | byte(2) << 8 | byte(3);
}

struct Chunk {
  std::string_view type;
  std::string_view data;
};

// Reads the chunk at `at`, checking its length and CRC, and moves past it.
std::optional<Chunk> nextChunk(std::string_view file, std::size_t& at) {
  if (file.size() - at < 12) return std::nullopt;
  const std::uint32_t length = bigEndian32(file, at);
  if (length > kMaxChunkLength || file.size() - at - 12 < length) return std::nullopt;
  const std::string_view typeAndData = file.substr(at + 4, 4 + static_cast<std::size_t>(length));
  const std::uint32_t crc = bigEndian32(file, at + 8 + length);
  if (libdeflate_crc32(0, typeAndData.data(), typeAndData.size()) != crc) return std::nullopt;
  at += 12 + static_cast<std::size_t>(length);
  return Chunk{typeAndData.substr(0, 4), typeAndData.substr(4)};
}

unsigned channelsOfColourType(unsigned colourType) {
  switch (colourType) {
    case 0:
      return 1;  // grey
    case 2:
      return 3;  // RGB
    case 6:
      return 4;  // RGBA
    default:
      return 0;
  }
}

// IHDR: width, height, bit depth, colour type, compression, filter method,
// interlace method.
std::optional<PlainPngImage> imageOfHeader(const Chunk& header, unsigned long long maxPixels) {
  if (header.type != "IHDR" || header.data.size() != 13) return std::nullopt;
  PlainPngImage image;
  image.width = bigEndian32(header.data, 0);
  image.height = bigEndian32(header.data, 4);
  const std::string_view rest = header.data.substr(8);
  image.channels = channelsOfColourType(static_cast<unsigned char>(rest[1]));
  if (rest[0] != 8 || image.channels == 0 || rest.substr(2) != std::string_view("\0\0\0", 3)) return std::nullopt;
  if (image.width == 0 || image.height == 0 || image.width > kMaxSide || image.height > kMaxSide) return std::nullopt;
  if (static_cast<unsigned long long>(image.width) * image.height > maxPixels) return std::nullopt;
  return image;
}

// Chunks FreeImage reads only as metadata (text, resolution, time): they
// leave the pixels alone, and libpng merely warns about damaged ones.
// Everything else (gamma, colour profiles, transparency, palettes, unknown
// chunks) is left to FreeImage.
bool leavesPixelsAlone(std::string_view type) {
  return type == "tEXt" || type == "zTXt" || type == "iTXt" || type == "pHYs" || type == "tIME";
}

}  // namespace

bool pngChunksFitFile(std::string_view fileBytes) {
  std::size_t at = kSignature.size();
  while (fileBytes.size() >= at + 12) {
    const std::uint64_t length = bigEndian32(fileBytes, at);
    if (fileBytes.size() - at - 12 < length) return false;
    if (fileBytes.substr(at + 4, 4) == "IEND") return true;
    at += 12 + length;
  }
  return true;
}

std::optional<PlainPngImage> plainPngImage(std::string_view fileBytes, unsigned long long maxPixels) {
  if (fileBytes.size() > 0x7FFFFFFF || !fileBytes.starts_with(kSignature)) return std::nullopt;
  std::size_t at = kSignature.size();
  const std::optional<Chunk> header = nextChunk(fileBytes, at);
  if (!header) return std::nullopt;
  std::optional<PlainPngImage> image = imageOfHeader(*header, maxPixels);
  if (!image) return std::nullopt;
  enum { kBeforeData, kInData, kAfterData } position = kBeforeData;
  while (const std::optional<Chunk> chunk = nextChunk(fileBytes, at)) {
    if (chunk->type == "IDAT") {
      // libpng fails on image data split by other chunks.
      if (position == kAfterData) return std::nullopt;
      position = kInData;
      image->compressed.append(chunk->data);
    } else if (chunk->type == "IEND") {
      if (position == kBeforeData || !chunk->data.empty()) return std::nullopt;
      return image;
    } else if (leavesPixelsAlone(chunk->type)) {
      if (position == kInData) position = kAfterData;
    } else {
      return std::nullopt;
    }
  }
  return std::nullopt;
}

}  // namespace lumetra
