#include "support/test_pictures.h"

#include <FreeImage.h>

#include <memory>
#include <stdexcept>

namespace lumetra::test {
namespace {

struct BitmapDeleter {
  void operator()(FIBITMAP* bitmap) const { FreeImage_Unload(bitmap); }
};
using Bitmap = std::unique_ptr<FIBITMAP, BitmapDeleter>;

std::string save(FIBITMAP* bitmap, FREE_IMAGE_FORMAT format = FIF_PNG, int flags = 0) {
  FIMEMORY* memory = FreeImage_OpenMemory();
  if (!FreeImage_SaveToMemory(format, bitmap, memory, flags)) {
    FreeImage_CloseMemory(memory);
    throw std::runtime_error("cannot write picture");
  }
  BYTE* data = nullptr;
  DWORD size = 0;
  FreeImage_AcquireMemory(memory, &data, &size);
  std::string file(reinterpret_cast<const char*>(data), size);
  FreeImage_CloseMemory(memory);
  return file;
}

Bitmap allocate(unsigned width, unsigned height, unsigned bpp) {
  Bitmap bitmap(FreeImage_Allocate(static_cast<int>(width), static_cast<int>(height), static_cast<int>(bpp)));
  if (!bitmap) throw std::runtime_error("cannot allocate picture");
  return bitmap;
}

// FreeImage's rows run bottom-up.
BYTE* pixelAt(FIBITMAP* bitmap, unsigned x, unsigned y, unsigned bytesPerPixel) {
  const unsigned row = FreeImage_GetHeight(bitmap) - 1 - y;
  return FreeImage_GetScanLine(bitmap, static_cast<int>(row)) + x * bytesPerPixel;
}

Bitmap greyBitmap(unsigned width, unsigned height, const std::function<std::uint8_t(unsigned, unsigned)>& grey) {
  Bitmap bitmap = allocate(width, height, 24);
  for (unsigned y = 0; y < height; ++y) {
    for (unsigned x = 0; x < width; ++x) {
      BYTE* pixel = pixelAt(bitmap.get(), x, y, 3);
      pixel[FI_RGBA_RED] = pixel[FI_RGBA_GREEN] = pixel[FI_RGBA_BLUE] = grey(x, y);
    }
  }
  return bitmap;
}

}  // namespace

std::string greyPng(unsigned width, unsigned height, const std::function<std::uint8_t(unsigned, unsigned)>& grey) {
  return save(greyBitmap(width, height, grey).get());
}

std::string greyPicture(unsigned width, unsigned height, const std::function<std::uint8_t(unsigned, unsigned)>& grey,
                        PictureFormat format) {
  const Bitmap bitmap = greyBitmap(width, height, grey);
  switch (format) {
    case PictureFormat::bmp:
      return save(bitmap.get(), FIF_BMP);
    case PictureFormat::jpeg:
      return save(bitmap.get(), FIF_JPEG, JPEG_QUALITYSUPERB);
    case PictureFormat::targa:
      return save(bitmap.get(), FIF_TARGA);
    case PictureFormat::gif:
      break;
  }
  const Bitmap palette(FreeImage_ConvertToGreyscale(bitmap.get()));
  if (!palette) throw std::runtime_error("cannot reduce picture to a palette");
  return save(palette.get(), FIF_GIF);
}

std::string greyAlphaPng(unsigned width, unsigned height,
                         const std::function<std::pair<std::uint8_t, std::uint8_t>(unsigned, unsigned)>& pixel) {
  const Bitmap bitmap = allocate(width, height, 32);
  for (unsigned y = 0; y < height; ++y) {
    for (unsigned x = 0; x < width; ++x) {
      BYTE* out = pixelAt(bitmap.get(), x, y, 4);
      const auto [grey, alpha] = pixel(x, y);
      out[FI_RGBA_RED] = out[FI_RGBA_GREEN] = out[FI_RGBA_BLUE] = grey;
      out[FI_RGBA_ALPHA] = alpha;
    }
  }
  return save(bitmap.get());
}

std::string whiteFirstOneBitBmp(unsigned width, unsigned height,
                                const std::function<unsigned(unsigned, unsigned)>& index) {
  const Bitmap bitmap = allocate(width, height, 1);
  RGBQUAD* palette = FreeImage_GetPalette(bitmap.get());
  palette[0] = RGBQUAD{0xFF, 0xFF, 0xFF, 0};
  palette[1] = RGBQUAD{0, 0, 0, 0};
  for (unsigned y = 0; y < height; ++y) {
    for (unsigned x = 0; x < width; ++x) {
      BYTE value = static_cast<BYTE>(index(x, y));
      FreeImage_SetPixelIndex(bitmap.get(), x, height - 1 - y, &value);
    }
  }
  return save(bitmap.get(), FIF_BMP);
}

std::string grey16Png(unsigned width, unsigned height, const std::function<std::uint16_t(unsigned, unsigned)>& grey) {
  const Bitmap bitmap(FreeImage_AllocateT(FIT_UINT16, static_cast<int>(width), static_cast<int>(height)));
  if (!bitmap) throw std::runtime_error("cannot allocate picture");
  for (unsigned y = 0; y < height; ++y) {
    for (unsigned x = 0; x < width; ++x) {
      auto* out = reinterpret_cast<std::uint16_t*>(pixelAt(bitmap.get(), x, y, 2));
      *out = grey(x, y);
    }
  }
  return save(bitmap.get());
}

std::string base64(std::string_view bytes) {
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
    std::uint32_t group = 0;
    for (std::size_t k = 0; k < 3; ++k) {
      group = (group << 8) | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
    }
    for (std::size_t k = 0; k < 4; ++k) {
      text.push_back(k <= n ? kAlphabet[(group >> (18 - 6 * k)) & 0x3F] : '=');
    }
  }
  return text;
}

}  // namespace lumetra::test
