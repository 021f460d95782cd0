#include "jobs/targa_file.h"

#include <cstdint>

namespace lumetra {
namespace {

constexpr std::size_t kHeaderSize = 18;
// A run-length packet: one count byte, then one pixel for up to 128 pixels.
constexpr unsigned long long kPixelsPerPacket = 128;

unsigned byteAt(std::string_view bytes, std::size_t at) { return static_cast<unsigned char>(bytes[at]); }
unsigned wordAt(std::string_view bytes, std::size_t at) { return byteAt(bytes, at) | byteAt(bytes, at + 1) << 8; }

bool isRunLengthEncoded(unsigned imageType) { return imageType >= 9 && imageType <= 11; }

}  // namespace

bool targaFileHoldsItsPixels(std::string_view fileBytes) {
  if (fileBytes.size() < kHeaderSize) return false;
  const unsigned idLength = byteAt(fileBytes, 0);
  const bool hasColourMap = byteAt(fileBytes, 1) != 0;
  const unsigned imageType = byteAt(fileBytes, 2);
  const unsigned long long colourMapBytes =
      hasColourMap ? static_cast<unsigned long long>(wordAt(fileBytes, 5)) * ((byteAt(fileBytes, 7) + 7) / 8) : 0;
  const unsigned long long pixels = static_cast<unsigned long long>(wordAt(fileBytes, 12)) * wordAt(fileBytes, 14);
  const unsigned bytesPerPixel = (byteAt(fileBytes, 16) + 7) / 8;
  const unsigned long long pixelBytes =
      isRunLengthEncoded(imageType) ? (pixels + kPixelsPerPacket - 1) / kPixelsPerPacket * (1 + bytesPerPixel)
                                    : pixels * bytesPerPixel;
  return kHeaderSize + idLength + colourMapBytes + pixelBytes <= fileBytes.size();
}

}  // namespace lumetra
