#include "image/image_grey.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "image/freeimage_bitmap.h"

namespace lumetra {
namespace {

// Each formula below is FreeImage's own, down to the order of the float sums
// and the integer shifts, so the grey levels match it to the last bit.

constexpr float kRedWeight = 0.2126F;
constexpr float kGreenWeight = 0.7152F;
constexpr float kBlueWeight = 0.0722F;

// FreeImage's luma: Rec. 709 weights summed in float, rounded half up.
std::uint8_t luma(unsigned red, unsigned green, unsigned blue) {
  // NOLINTNEXTLINE(bugprone-incorrect-roundings): FreeImage rounds so (lround differs where + 0.5F rounds up).
  return static_cast<std::uint8_t>(kRedWeight * red + kGreenWeight * green + kBlueWeight * blue + 0.5F);
}

// The luma of `width` 32-bit pixels, four at a time where the processor has
// vectors: the same float products and sums in the same order, each one
// rounded as the scalar code rounds it, so every level is the same.
template <typename Order>
void lumaOf32BitPixels(const BYTE* pixels, unsigned width, std::uint8_t* grey) {
  unsigned x = 0;
#if defined(__SSE2__)
  const __m128i byteMask = _mm_set1_epi32(0xFF);
  const auto channel = [&](__m128i four, unsigned position) {
    return _mm_cvtepi32_ps(_mm_and_si128(_mm_srli_epi32(four, static_cast<int>(8 * position)), byteMask));
  };
  for (; x + 4 <= width; x += 4) {
    const __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + 4 * x));
    __m128 sum = _mm_mul_ps(_mm_set1_ps(kRedWeight), channel(four, Order::red));
    sum = _mm_add_ps(sum, _mm_mul_ps(_mm_set1_ps(kGreenWeight), channel(four, Order::green)));
    sum = _mm_add_ps(sum, _mm_mul_ps(_mm_set1_ps(kBlueWeight), channel(four, Order::blue)));
    sum = _mm_add_ps(sum, _mm_set1_ps(0.5F));
    const __m128i levels = _mm_cvttps_epi32(sum);
    const __m128i words = _mm_packs_epi32(levels, levels);
    const __m128i bytes = _mm_packus_epi16(words, words);
    const int packed = _mm_cvtsi128_si32(bytes);
    std::memcpy(grey + x, &packed, 4);
  }
#endif
  for (; x < width; ++x) {
    const BYTE* pixel = pixels + 4 * x;
    grey[x] = luma(pixel[Order::red], pixel[Order::green], pixel[Order::blue]);
  }
}

// FreeImage_Composite onto white, one channel. Its blend divides by 256, not
// 255, so it takes opaque pixels as they are and fully transparent ones as
// the white itself rather than blending them. Plain arithmetic instead of
// branches, so that the compiler converts many pixels per instruction.
unsigned onWhite(unsigned channel, unsigned alpha) {
  const unsigned blend = (alpha * channel + (0xFF - alpha) * 0xFF) >> 8;
  const unsigned opaque = (alpha + 1) >> 8;        // 1 for alpha 255, else 0
  const unsigned transparent = (alpha - 1) >> 31;  // 1 for alpha 0, else 0
  return blend + opaque * (channel - blend) + transparent * (0xFF - blend);
}

using LineConversion = void (*)(const BYTE* pixels, unsigned width, std::uint8_t* grey);

// Channel positions within a pixel: FreeImage keeps BGR(A) on little-endian
// machines, a PNG file RGB(A). One template serves both, so the file's own
// pixels go through the very formulas FreeImage's bitmaps do.
template <unsigned kRed, unsigned kGreen, unsigned kBlue, unsigned kAlpha>
struct ChannelOrder {
  static constexpr unsigned red = kRed, green = kGreen, blue = kBlue, alpha = kAlpha;
};
using FreeImageOrder = ChannelOrder<FI_RGBA_RED, FI_RGBA_GREEN, FI_RGBA_BLUE, FI_RGBA_ALPHA>;
using PngOrder = ChannelOrder<0, 1, 2, 3>;

template <typename Order>
bool allOpaque(const BYTE* pixels, unsigned width) {
  unsigned x = 0;
#if defined(__SSE2__)
  __m128i all = _mm_set1_epi8(-1);
  for (; x + 4 <= width; x += 4)
    all = _mm_and_si128(all, _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + 4 * x)));
  const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFFu << (8 * Order::alpha)));
  if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(all, alpha), alpha)) != 0xFFFF) return false;
#endif
  unsigned rest = 0xFF;
  for (; x < width; ++x) rest &= pixels[4 * x + Order::alpha];
  return rest == 0xFF;
}

// Most logos are opaque: their lines skip the compositing, which leaves
// opaque pixels as they are anyway.
template <typename Order>
void greyOf32BitLine(const BYTE* pixels, unsigned width, std::uint8_t* grey) {
  if (allOpaque<Order>(pixels, width)) return lumaOf32BitPixels<Order>(pixels, width, grey);
  for (unsigned x = 0; x < width; ++x, pixels += 4) {
    const unsigned alpha = pixels[Order::alpha];
    grey[x] = luma(onWhite(pixels[Order::red], alpha), onWhite(pixels[Order::green], alpha),
                   onWhite(pixels[Order::blue], alpha));
  }
}

template <typename Order>
void greyOf24BitLine(const BYTE* pixels, unsigned width, std::uint8_t* grey) {
  for (unsigned x = 0; x < width; ++x, pixels += 3) {
    grey[x] = luma(pixels[Order::red], pixels[Order::green], pixels[Order::blue]);
  }
}

void copyGreyLine(const BYTE* pixels, unsigned width, std::uint8_t* grey) { std::memcpy(grey, pixels, width); }

GreyPicture convertLines(FIBITMAP* bitmap, LineConversion convert) {
  GreyPicture picture;
  picture.width = FreeImage_GetWidth(bitmap);
  picture.height = FreeImage_GetHeight(bitmap);
  picture.levels.resize(static_cast<std::size_t>(picture.width) * picture.height);
  for (unsigned y = 0; y < picture.height; ++y) {
    convert(FreeImage_GetScanLine(bitmap, static_cast<int>(y)), picture.width, picture.scanLine(y));
  }
  return picture;
}

}  // namespace

void greyOfRgbLine(const std::uint8_t* pixels, unsigned width, std::uint8_t* grey) {
  greyOf24BitLine<PngOrder>(pixels, width, grey);
}

void greyOfRgbaLine(const std::uint8_t* pixels, unsigned width, std::uint8_t* grey) {
  greyOf32BitLine<PngOrder>(pixels, width, grey);
}

std::optional<GreyPicture> greyLevelsForDithering(FIBITMAP* bitmap) {
  if (FreeImage_GetImageType(bitmap) != FIT_BITMAP) return std::nullopt;
  const unsigned bpp = FreeImage_GetBPP(bitmap);
  // A 32-bit picture is always composited: where every pixel is opaque that
  // changes nothing, and FreeImage's own transparency test reads every pixel.
  if (bpp == 32) return convertLines(bitmap, greyOf32BitLine<FreeImageOrder>);
  if (FreeImage_IsTransparent(bitmap)) {
    const Bitmap withAlpha(FreeImage_ConvertTo32Bits(bitmap));
    if (!withAlpha) return std::nullopt;
    return convertLines(withAlpha.get(), greyOf32BitLine<FreeImageOrder>);
  }
  if (bpp == 24) return convertLines(bitmap, greyOf24BitLine<FreeImageOrder>);
  if (bpp != 4 && bpp != 8 && bpp != 16) return std::nullopt;
  // Palettes and 16-bit pixels are rare in logos: FreeImage converts them.
  const Bitmap grey(FreeImage_ConvertToGreyscale(bitmap));
  if (!grey || FreeImage_GetBPP(grey.get()) != 8) return std::nullopt;
  return convertLines(grey.get(), copyGreyLine);
}

}  // namespace lumetra
