#include "image/png_filters.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lumetra {
namespace {

void unfilterSub(std::uint8_t* row, std::size_t length, unsigned bytesPerPixel) {
  for (std::size_t i = bytesPerPixel; i < length; ++i)
    row[i] = static_cast<std::uint8_t>(row[i] + row[i - bytesPerPixel]);
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
      const Lanes pixel =
          (loadPixel<kBytesPerPixel>(rows[r] + i) + paethPredictor(left[r], above, aboveLeft[r])) & 0xFF;
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
    case 1:
      return unfilterPaethRows<1, kRows>(rows, previous, length);
    case 3:
      return unfilterPaethRows<3, kRows>(rows, previous, length);
    default:
      return unfilterPaethRows<4, kRows>(rows, previous, length);
  }
}

#if defined(__SSE2__)
// Four consecutive Paeth rows of 3- or 4-byte pixels as one wavefront: a
// vector holds pixel x of the first row, x - 1 of the second, x - 2 of the
// third and x - 3 of the fourth, 4 bytes each. Every pixel's neighbours are
// then in the vector of the step before (left), in that vector moved up one
// row (above), and in the step before's "above" (above-left), so one step
// does four rows' pixels with byte-wide arithmetic.
class PaethWavefront {
 public:
  static __m128i absoluteDifference(__m128i x, __m128i y) {
    return _mm_or_si128(_mm_subs_epu8(x, y), _mm_subs_epu8(y, x));
  }
  static __m128i atMost(__m128i x, __m128i y) { return _mm_cmpeq_epi8(_mm_subs_epu8(x, y), _mm_setzero_si128()); }

  // The predictor byte by byte: pa = |b - c| and pb = |a - c|; |a + b - 2c|
  // is pa + pb where a - c and b - c have the same sign and |pa - pb| where
  // not. The sum may saturate at 255: it is then at least pa and pb, as its
  // true value is, so no choice changes.
  static __m128i predictor(__m128i a, __m128i b, __m128i c) {
    const __m128i pa = absoluteDifference(b, c);
    const __m128i pb = absoluteDifference(a, c);
    const __m128i sameSign = _mm_cmpeq_epi8(atMost(c, a), atMost(c, b));
    const __m128i pc = _mm_or_si128(_mm_and_si128(sameSign, _mm_adds_epu8(pa, pb)),
                                    _mm_andnot_si128(sameSign, absoluteDifference(pa, pb)));
    const __m128i pickA = _mm_and_si128(atMost(pa, pb), atMost(pa, pc));
    const __m128i pickB = _mm_andnot_si128(pickA, atMost(pb, pc));
    const __m128i pickC = _mm_andnot_si128(_mm_or_si128(pickA, pickB), _mm_set1_epi8(-1));
    return _mm_or_si128(_mm_or_si128(_mm_and_si128(a, pickA), _mm_and_si128(b, pickB)), _mm_and_si128(c, pickC));
  }
};

template <unsigned kBytesPerPixel>
int loadPixel32(const std::uint8_t* pixel) {
  int value = 0;
  std::memcpy(&value, pixel, kBytesPerPixel);
  return value;
}

// Pixel `x` of a row of `width` pixels, or zeros outside the row (before it
// starts, a row's neighbours are zero; past its end nothing is used).
template <unsigned kBytesPerPixel>
int pixelOrZero(const std::uint8_t* row, std::ptrdiff_t x, std::ptrdiff_t width) {
  return x >= 0 && x < width ? loadPixel32<kBytesPerPixel>(row + x * kBytesPerPixel) : 0;
}

// One step of the wavefront at `x` over kVectors groups of four rows, the
// rows of each group a pixel behind those of the group above: a group's top
// row takes its "above" from the bottom row of the group above, as that was
// one step before, so the groups' chains of arithmetic overlap. kWhole:
// every row's pixel is inside it, so nothing needs checking.
template <unsigned kBytesPerPixel, unsigned kVectors, bool kWhole>
void paethWavefrontStep(std::uint8_t* const* rows, const std::uint8_t* previous, std::ptrdiff_t x, std::ptrdiff_t width,
                        __m128i (&result)[kVectors], __m128i (&above)[kVectors]) {
  const auto load = [&](const std::uint8_t* row, std::ptrdiff_t at) {
    return kWhole ? loadPixel32<kBytesPerPixel>(row + at * kBytesPerPixel)
                  : pixelOrZero<kBytesPerPixel>(row, at, width);
  };
  // The lowest group first: it reads the step before's result of the group above.
  for (unsigned v = kVectors; v-- > 0;) {
    const __m128i aboveLeft = above[v];
    const __m128i topAbove = v == 0 ? _mm_cvtsi32_si128(load(previous, x)) : _mm_srli_si128(result[v - 1], 12);
    above[v] = _mm_or_si128(_mm_slli_si128(result[v], 4), topAbove);
    const std::ptrdiff_t top = 4 * static_cast<std::ptrdiff_t>(v);
    std::uint8_t* const* group = rows + top;
    const __m128i filtered = _mm_set_epi32(load(group[3], x - top - 3), load(group[2], x - top - 2),
                                           load(group[1], x - top - 1), load(group[0], x - top));
    result[v] = _mm_add_epi8(filtered, PaethWavefront::predictor(result[v], above[v], aboveLeft));
    __m128i bytes = result[v];
    for (std::ptrdiff_t r = 0; r < 4; ++r, bytes = _mm_srli_si128(bytes, 4)) {
      const std::ptrdiff_t at = x - top - r;
      if (kWhole || (at >= 0 && at < width)) {
        const int pixel = _mm_cvtsi128_si32(bytes);
        std::memcpy(group[r] + at * kBytesPerPixel, &pixel, kBytesPerPixel);
      }
    }
  }
}

// 4 * kVectors consecutive Paeth rows.
template <unsigned kBytesPerPixel, unsigned kVectors>
void unfilterPaethWavefront(std::uint8_t* const* rows, const std::uint8_t* previous, std::size_t length) {
  const auto width = static_cast<std::ptrdiff_t>(length / kBytesPerPixel);
  constexpr std::ptrdiff_t kLastLag = 4 * kVectors - 1;
  __m128i result[kVectors];
  __m128i above[kVectors];
  std::fill(std::begin(result), std::end(result), _mm_setzero_si128());
  std::fill(std::begin(above), std::end(above), _mm_setzero_si128());
  std::ptrdiff_t x = 0;
  for (; x < std::min(kLastLag, width); ++x) {
    paethWavefrontStep<kBytesPerPixel, kVectors, false>(rows, previous, x, width, result, above);
  }
  for (; x < width; ++x) paethWavefrontStep<kBytesPerPixel, kVectors, true>(rows, previous, x, width, result, above);
  for (; x < width + kLastLag; ++x) {
    paethWavefrontStep<kBytesPerPixel, kVectors, false>(rows, previous, x, width, result, above);
  }
}
#endif

// Whether the wavefront takes pixels of this size: 3 or 4 bytes, with a
// vector unit.
bool wavefrontTakes([[maybe_unused]] unsigned bytesPerPixel) {
#if defined(__SSE2__)
  return bytesPerPixel == 3 || bytesPerPixel == 4;
#else
  return false;
#endif
}

// `count` (8, 4 or 2) consecutive Paeth rows side by side.
void unfilterPaethRun(std::uint8_t* const* rows, unsigned count, const std::uint8_t* previous, std::size_t length,
                      unsigned bytesPerPixel) {
#if defined(__SSE2__)
  if (wavefrontTakes(bytesPerPixel) && count >= 4) {
    const bool eight = count == 8;
    if (bytesPerPixel == 4)
      return eight ? unfilterPaethWavefront<4, 2>(rows, previous, length)
                   : unfilterPaethWavefront<4, 1>(rows, previous, length);
    return eight ? unfilterPaethWavefront<3, 2>(rows, previous, length)
                 : unfilterPaethWavefront<3, 1>(rows, previous, length);
  }
#endif
  if (count == 4) return unfilterPaethRows<4>(rows, previous, length, bytesPerPixel);
  unfilterPaethRows<2>(rows, previous, length, bytesPerPixel);
}

bool unfilterRow(std::uint8_t filterType, std::uint8_t* row, const std::uint8_t* previous, std::size_t length,
                 unsigned bytesPerPixel) {
  switch (filterType) {
    case 0:
      return true;
    case 1:
      unfilterSub(row, length, bytesPerPixel);
      return true;
    case 2:
      unfilterUp(row, previous, length);
      return true;
    case 3:
      unfilterAverage(row, previous, length, bytesPerPixel);
      return true;
    case 4:
      unfilterPaethRows<1>(&row, previous, length, bytesPerPixel);
      return true;
    default:
      return false;
  }
}

constexpr std::uint8_t kPaeth = 4;
constexpr unsigned kLongestRun = 8;

// How many Paeth rows to take side by side from row `y` on: 8 (where the
// wavefront takes them), 4, 2 or 1.
unsigned paethRun(const std::uint8_t* rows, unsigned y, unsigned height, std::size_t stride, unsigned bytesPerPixel) {
  const unsigned most = wavefrontTakes(bytesPerPixel) ? kLongestRun : 4;
  unsigned run = 0;
  while (run < most && y + run < height && rows[(y + run) * stride] == kPaeth) ++run;
  if (run == kLongestRun) return kLongestRun;
  return run >= 4 ? 4 : run == 3 ? 2 : run;
}

}  // namespace

bool unfilterRows(std::uint8_t* rows, unsigned height, std::size_t rowBytes, unsigned bytesPerPixel,
                  const RowsArrived& rowsArrived, const RowsDone& rowsDone) {
  const std::vector<std::uint8_t> aboveTopRow(rowBytes, 0);
  const std::uint8_t* previous = aboveTopRow.data();
  const std::size_t stride = 1 + rowBytes;
  for (unsigned y = 0; y < height;) {
    if (!rowsArrived(std::min(y + kLongestRun, height))) return false;
    std::array<std::uint8_t*, kLongestRun> run{};
    const unsigned runLength = paethRun(rows, y, height, stride, bytesPerPixel);
    for (unsigned r = 0; r < runLength; ++r) run[r] = rows + (y + r) * stride + 1;
    if (runLength > 1) {
      unfilterPaethRun(run.data(), runLength, previous, rowBytes, bytesPerPixel);
    } else if (!unfilterRow(rows[y * stride], rows + y * stride + 1, previous, rowBytes, bytesPerPixel)) {
      return false;
    }
    const unsigned done = runLength > 1 ? runLength : 1;
    rowsDone(y, done);
    y += done;
    previous = rows + (y - 1) * stride + 1;
  }
  return true;
}

}  // namespace lumetra
