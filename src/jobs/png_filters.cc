#include "jobs/png_filters.h"

#include <array>
#include <cstring>
#include <vector>

namespace lumetra {
namespace {

void unfilterSub(std::uint8_t* row, std::size_t length, unsigned bytesPerPixel) {
  for (std::size_t i = bytesPerPixel; i < length; ++i) row[i] = static_cast<std::uint8_t>(row[i] + row[i - bytesPerPixel]);
}

void unfilterUp(std::uint8_t* row, const std::uint8_t* previous, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) row[i] = static_cast<std::uint8_t>(row[i] + previous[i]);
}

void unfilterAverage(std::uint8_t* row, const std::uint8_t* previous, std::size_t length, unsigned bytesPerPixel) {
  for (std::size_t i = 0; i < bytesPerPixel; ++i) row[i] = static_cast<std::uint8_t>(row[i] + (previous[i] >> 1));
  for (std::size_t i = bytesPerPixel; i < length; ++i) {
    row[i] = static_cast<std::uint8_t>(row[i] + ((row[i - bytesPerPixel] + previous[i]) >> 1));
  }
}

// One pixel's channels side by side in the first lanes, 16 bits wide for
// the sums below. A full 16-byte vector: narrower ones are emulated slowly.
using Lanes = std::int16_t __attribute__((vector_size(16)));
using PixelBytes = std::uint8_t __attribute__((vector_size(8)));

// Only the pixel's own bytes are read and written, so the last pixel of a
// row never reaches past it.
template <unsigned kBytesPerPixel>
Lanes loadPixel(const std::uint8_t* pixel) {
  PixelBytes bytes{};
  std::memcpy(&bytes, pixel, kBytesPerPixel);
  return __builtin_convertvector(bytes, Lanes);
}

template <unsigned kBytesPerPixel>
void storePixel(std::uint8_t* pixel, Lanes lanes) {
  const auto bytes = __builtin_convertvector(lanes, PixelBytes);
  std::memcpy(pixel, &bytes, kBytesPerPixel);
}

Lanes absolute(Lanes value) {
  const Lanes sign = value >> 15;
  return (value ^ sign) - sign;
}

// For each channel, the neighbour (left a, above b, above-left c) closest to
// a + b - c, ties going to a, then b. Masks instead of branches: on
// photographic logos the choice is a coin toss the processor cannot predict.
Lanes paethPredictor(Lanes a, Lanes b, Lanes c) {
  const Lanes toA = absolute(b - c);
  const Lanes toB = absolute(a - c);
  const Lanes toC = absolute(a + b - c - c);
  const Lanes pickA = (toA <= toB) & (toA <= toC);
  const Lanes pickB = ~pickA & (toB <= toC);
  return (a & pickA) | (b & pickB) | (c & ~(pickA | pickB));
}

// Paeth is the filter most encoders pick for photographic logos, and each
// pixel waits for its left neighbour: the channels of a pixel go at once,
// and consecutive Paeth rows go side by side (a pixel needs only the pixels
// at and before it in the row above), so that their waits overlap.
template <unsigned kBytesPerPixel, unsigned kRows>
void unfilterPaethRows(std::uint8_t* const* rows, const std::uint8_t* previous, std::size_t length) {
  std::array<Lanes, kRows> left{};
  std::array<Lanes, kRows> aboveLeft{};
  for (std::size_t i = 0; i < length; i += kBytesPerPixel) {
    Lanes above = loadPixel<kBytesPerPixel>(previous + i);
    for (unsigned r = 0; r < kRows; ++r) {
      const Lanes pixel = (loadPixel<kBytesPerPixel>(rows[r] + i) + paethPredictor(left[r], above, aboveLeft[r])) & 0xFF;
      storePixel<kBytesPerPixel>(rows[r] + i, pixel);
      aboveLeft[r] = above;
      left[r] = pixel;
      above = pixel;
    }
  }
}

template <unsigned kRows>
void unfilterPaethRows(std::uint8_t* const* rows, const std::uint8_t* previous, std::size_t length,
                       unsigned bytesPerPixel) {
  switch (bytesPerPixel) {
    case 1: return unfilterPaethRows<1, kRows>(rows, previous, length);
    case 3: return unfilterPaethRows<3, kRows>(rows, previous, length);
    default: return unfilterPaethRows<4, kRows>(rows, previous, length);
  }
}

bool unfilterRow(std::uint8_t filterType, std::uint8_t* row, const std::uint8_t* previous, std::size_t length,
                 unsigned bytesPerPixel) {
  switch (filterType) {
    case 0: return true;
    case 1: unfilterSub(row, length, bytesPerPixel); return true;
    case 2: unfilterUp(row, previous, length); return true;
    case 3: unfilterAverage(row, previous, length, bytesPerPixel); return true;
    case 4: unfilterPaethRows<1>(&row, previous, length, bytesPerPixel); return true;
    default: return false;
  }
}

constexpr std::uint8_t kPaeth = 4;

// How many Paeth rows to take side by side from row `y` on: 4, 2 or 1.
unsigned paethRun(const std::uint8_t* rows, unsigned y, unsigned height, std::size_t stride) {
  unsigned run = 0;
  while (run < 4 && y + run < height && rows[(y + run) * stride] == kPaeth) ++run;
  return run == 3 ? 2 : run;
}

}  // namespace

bool unfilterRows(std::uint8_t* rows, unsigned height, std::size_t rowBytes, unsigned bytesPerPixel) {
  const std::vector<std::uint8_t> aboveTopRow(rowBytes, 0);
  const std::uint8_t* previous = aboveTopRow.data();
  const std::size_t stride = 1 + rowBytes;
  for (unsigned y = 0; y < height;) {
    std::array<std::uint8_t*, 4> run{};
    const unsigned runLength = paethRun(rows, y, height, stride);
    for (unsigned r = 0; r < runLength; ++r) run[r] = rows + (y + r) * stride + 1;
    if (runLength == 4) {
      unfilterPaethRows<4>(run.data(), previous, rowBytes, bytesPerPixel);
    } else if (runLength == 2) {
      unfilterPaethRows<2>(run.data(), previous, rowBytes, bytesPerPixel);
    } else if (!unfilterRow(rows[y * stride], rows + y * stride + 1, previous, rowBytes, bytesPerPixel)) {
      return false;
    }
    const unsigned done = runLength > 1 ? runLength : 1;
    y += done;
    previous = rows + (y - 1) * stride + 1;
  }
  return true;
}

}  // namespace lumetra
