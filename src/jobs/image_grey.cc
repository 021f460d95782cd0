#include "jobs/image_grey.h"

#include <cstring>

#include "jobs/freeimage_bitmap.h"

namespace lumetra {
namespace {

// Each formula below is FreeImage's own, down to the order of the float sums
// and the integer shifts, so the grey levels match it to the last bit.

// FreeImage's luma: Rec. 709 weights summed in float, rounded half up.
std::uint8_t luma(unsigned red, unsigned green, unsigned blue) {
  return static_cast<std::uint8_t>(0.2126F * red + 0.7152F * green + 0.0722F * blue + 0.5F);
}

// FreeImage_Composite onto white, one channel. Its blend divides by 256, not
// 255, so it takes opaque pixels as they are and fully transparent ones as
// the white itself rather than blending them. Plain arithmetic instead of
// branches, so that the compiler converts many pixels per instruction.
unsigned onWhite(unsigned channel, unsigned alpha) {
  const unsigned blend = (alpha * channel + (0xFF - alpha) * 0xFF) >> 8;
  const unsigned opaque = (alpha + 1) >> 8;       // 1 for alpha 255, else 0
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
  unsigned all = 0xFF;
  for (unsigned x = 0; x < width; ++x) all &= pixels[4 * x + Order::alpha];
  return all == 0xFF;
}

// Most logos are opaque: their lines skip the compositing, which leaves
// opaque pixels as they are anyway.
template <typename Order>
void greyOf32BitLine(const BYTE* pixels, unsigned width, std::uint8_t* grey) {
  if (allOpaque<Order>(pixels, width)) {
    for (unsigned x = 0; x < width; ++x, pixels += 4) {
      grey[x] = luma(pixels[Order::red], pixels[Order::green], pixels[Order::blue]);
    }
    return;
  }
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
