#pragma once

#include <cstddef>
#include <cstdint>

namespace lumetra {

// Undoes the PNG row filters of a whole image in place: `rows` holds
// `height` rows, each a filter type byte (0 None, 1 Sub, 2 Up, 3 Average,
// 4 Paeth) followed by `rowBytes` bytes; `bytesPerPixel` is 1, 3 or 4. False
// at an unknown filter type, which libpng refuses.
bool unfilterRows(std::uint8_t* rows, unsigned height, std::size_t rowBytes, unsigned bytesPerPixel);

}  // namespace lumetra
