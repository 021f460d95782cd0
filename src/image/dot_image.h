#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lumetra {

// A picture reduced to printer dots: rows top first, each row packed 8
// pixels to a byte with the leftmost pixel in the most significant bit, bit 1
// = print a dot. A row that does not fill its last byte is padded with blank
// pixels.
struct DotImage {
  unsigned width = 0;
  unsigned height = 0;
  std::vector<std::uint8_t> dots;  // height * bytesPerRow()

  std::size_t bytesPerRow() const { return (static_cast<std::size_t>(width) + 7) / 8; }
};

}  // namespace lumetra
