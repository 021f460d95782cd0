#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace lumetra {

// Undoes the PNG row filters of a whole image in place: `rows` holds
// `height` rows, each a filter type byte (0 None, 1 Sub, 2 Up, 3 Average,
// 4 Paeth) followed by `rowBytes` bytes; `bytesPerPixel` is 1, 3 or 4. False
// at an unknown filter type, which libpng refuses. The rows may still be
// arriving: `rowsArrived(n)` is asked, before rows up to n are read, to wait
// until the first n are there, and false from it (they never will be) ends
// the work with false. `rowsDone(first, count)` is told of finished rows in
// order, while they are still in the cache.
using RowsArrived = std::function<bool(unsigned count)>;
using RowsDone = std::function<void(unsigned first, unsigned count)>;
bool unfilterRows(std::uint8_t* rows, unsigned height, std::size_t rowBytes, unsigned bytesPerPixel,
                  const RowsArrived& rowsArrived, const RowsDone& rowsDone);

}  // namespace lumetra
