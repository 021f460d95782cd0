#include "image/gif_header.h"

namespace lumetra {
namespace {

constexpr std::size_t kScreenDescriptorEnd = 13;  // signature (6), screen size, flags, colours
constexpr unsigned char kExtension = 0x21;
constexpr unsigned char kPicture = 0x2C;
constexpr unsigned kColourTableFlag = 0x80;

class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}

  bool has(std::size_t count) const { return position_ + count <= bytes_.size(); }
  unsigned byteAt(std::size_t offset) const { return static_cast<unsigned char>(bytes_[position_ + offset]); }
  unsigned wordAt(std::size_t offset) const { return byteAt(offset) | byteAt(offset + 1) << 8; }
  void skip(std::size_t count) { position_ += count; }

  // Skips a chain of data blocks (each a length byte, then that many bytes)
  // up to its empty block.
  bool skipDataBlocks() {
    while (has(1)) {
      const unsigned length = byteAt(0);
      skip(1 + length);
      if (length == 0) return true;
    }
    return false;
  }

 private:
  std::string_view bytes_;
  std::size_t position_ = 0;
};

std::size_t colourTableSize(unsigned flags) { return (flags & kColourTableFlag) != 0 ? 3u << ((flags & 7) + 1) : 0; }

bool within(unsigned long long width, unsigned long long height, unsigned long long maxPixels) {
  return width * height <= maxPixels;
}

}  // namespace

bool gifSizeWithin(std::string_view fileBytes, unsigned long long maxPixels) {
  Reader reader(fileBytes);
  if (!reader.has(kScreenDescriptorEnd) || !within(reader.wordAt(6), reader.wordAt(8), maxPixels)) return false;
  const unsigned screenFlags = reader.byteAt(10);
  reader.skip(kScreenDescriptorEnd + colourTableSize(screenFlags));
  while (reader.has(1)) {
    const unsigned introducer = reader.byteAt(0);
    if (introducer == kPicture) return reader.has(9) && within(reader.wordAt(5), reader.wordAt(7), maxPixels);
    if (introducer != kExtension || !reader.has(2)) return false;
    reader.skip(2);
    if (!reader.skipDataBlocks()) return false;
  }
  return false;
}

}  // namespace lumetra
