#include "image/image_loading.h"

#include <cstdio>
#include <memory>

#include "image/floyd_steinberg.h"
#include "image/freeimage_bitmap.h"
#include "image/gif_header.h"
#include "image/image_grey.h"
#include "image/png_chunks.h"
#include "image/png_grey.h"

namespace lumetra {
namespace {

struct MemoryDeleter {
  void operator()(FIMEMORY* memory) const { FreeImage_CloseMemory(memory); }
};
using Memory = std::unique_ptr<FIMEMORY, MemoryDeleter>;

bool hasUsableSize(FIBITMAP* bitmap) {
  const unsigned long long width = FreeImage_GetWidth(bitmap);
  const unsigned long long height = FreeImage_GetHeight(bitmap);
  return width > 0 && height > 0 && width * height <= kMaxImagePixels;
}

Bitmap loadFrom(FIMEMORY* memory, FREE_IMAGE_FORMAT format, int flags) {
  FreeImage_SeekMemory(memory, 0, SEEK_SET);
  return Bitmap(FreeImage_LoadFromMemory(format, memory, flags));
}

// Logos come as PNG, JPEG, BMP or GIF. FreeImage's loaders for its other
// formats crash on damaged files (a TARGA or a PNM header announcing more
// than the file holds), and TARGA, having no signature, is what stray bytes
// are most often taken for: a picture from the page must not take the till
// down with it.
bool isLogoFormat(FREE_IMAGE_FORMAT format) {
  return format == FIF_PNG || format == FIF_JPEG || format == FIF_BMP || format == FIF_GIF;
}

// The header is read first where the format allows it, so an oversized
// picture is refused before any pixel memory is spent on it.
Bitmap loadBitmap(std::string_view fileBytes) {
  if (fileBytes.empty() || fileBytes.size() > 0x7FFFFFFF) return {};
  // FreeImage only reads through this pointer; its API lacks const.
  auto* data = reinterpret_cast<BYTE*>(const_cast<char*>(fileBytes.data()));
  const Memory memory(FreeImage_OpenMemory(data, static_cast<DWORD>(fileBytes.size())));
  if (!memory) return {};
  const FREE_IMAGE_FORMAT format = FreeImage_GetFileTypeFromMemory(memory.get(), 0);
  if (!isLogoFormat(format)) return {};
  if (format == FIF_PNG && !pngChunksFitFile(fileBytes)) return {};
  if (format == FIF_GIF && !gifSizeWithin(fileBytes, kMaxImagePixels)) return {};
  if (FreeImage_FIFSupportsNoPixels(format)) {
    const Bitmap header = loadFrom(memory.get(), format, FIF_LOAD_NOPIXELS);
    if (!header || !hasUsableSize(header.get())) return {};
  }
  Bitmap bitmap = loadFrom(memory.get(), format, 0);
  if (!bitmap || !FreeImage_HasPixels(bitmap.get()) || !hasUsableSize(bitmap.get())) return {};
  return bitmap;
}

// 16-bit, float and other non-standard pixel types cannot be dithered
// directly; they are brought to an ordinary 8/24/32-bit picture first.
Bitmap toStandardBitmap(Bitmap bitmap) {
  if (FreeImage_GetImageType(bitmap.get()) == FIT_BITMAP) return bitmap;
  return Bitmap(FreeImage_ConvertToType(bitmap.get(), FIT_BITMAP, TRUE));
}

// FreeImage keeps the bottom row first; in a 1-bit scan line each bit is the
// pixel's palette index, and index 0 is the one that prints.
DotImage dotsOf(FIBITMAP* oneBit) {
  DotImage image;
  image.width = FreeImage_GetWidth(oneBit);
  image.height = FreeImage_GetHeight(oneBit);
  const std::size_t rowBytes = image.bytesPerRow();
  image.dots.resize(rowBytes * image.height);
  const unsigned spareBits = static_cast<unsigned>(rowBytes * 8 - image.width);
  const auto lastByteMask = static_cast<std::uint8_t>(0xFF << spareBits);
  for (unsigned row = 0; row < image.height; ++row) {
    const BYTE* line = FreeImage_GetScanLine(oneBit, static_cast<int>(image.height - 1 - row));
    std::uint8_t* out = image.dots.data() + row * rowBytes;
    for (std::size_t i = 0; i < rowBytes; ++i) out[i] = static_cast<std::uint8_t>(~line[i]);
    out[rowBytes - 1] &= lastByteMask;
  }
  return image;
}

}  // namespace

std::optional<unsigned> imageFileWidth(std::string_view fileBytes) {
  const Bitmap bitmap = loadBitmap(fileBytes);
  if (!bitmap) return std::nullopt;
  return FreeImage_GetWidth(bitmap.get());
}

std::optional<DotImage> loadDotImage(std::string_view fileBytes) {
  // Most logos are plain PNG files, which decode faster without FreeImage.
  if (const std::optional<GreyPicture> grey = greyLevelsOfPlainPng(fileBytes)) return ditherFloydSteinberg(*grey);
  Bitmap bitmap = loadBitmap(fileBytes);
  if (bitmap && FreeImage_GetBPP(bitmap.get()) == 1) return dotsOf(bitmap.get());
  if (bitmap) bitmap = toStandardBitmap(std::move(bitmap));
  if (!bitmap) return std::nullopt;
  const std::optional<GreyPicture> grey = greyLevelsForDithering(bitmap.get());
  if (!grey) return std::nullopt;
  return ditherFloydSteinberg(*grey);
}

}  // namespace lumetra
