// Image text as a page could send it, and the same bytes as an image file
// (which base64 text rarely reaches by chance): decoding, loading, dithering
// and the raster encoding. A PNG file the fast decoder takes must give the
// very grey levels FreeImage's loading of it gives.
#include <FreeImage.h>

#include <cstring>

#include "image/freeimage_bitmap.h"
#include "image/image_grey.h"
#include "image/image_loading.h"
#include "image/png_grey.h"
#include "printer/image_raster.h"
#include "tasks/image_text.h"

namespace {

void checkAgainstFreeImage(std::string_view bytes, const lumetra::GreyPicture& fast) {
  FIMEMORY* memory =
      FreeImage_OpenMemory(reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data())), static_cast<DWORD>(bytes.size()));
  const lumetra::Bitmap bitmap(FreeImage_LoadFromMemory(FIF_PNG, memory, 0));
  FreeImage_CloseMemory(memory);
  if (!bitmap) __builtin_trap();
  const auto expected = lumetra::greyLevelsForDithering(bitmap.get());
  if (!expected || expected->width != fast.width || expected->height != fast.height) __builtin_trap();
  if (std::memcmp(expected->levels.data(), fast.levels.data(), fast.levels.size()) != 0) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  lumetra::PrinterModelConfig table;
  table[lumetra::model_offset::kImage + 6] = 24;
  lumetra::imageTextWidth(bytes);
  lumetra::rasterForImageText(bytes, table);
  if (const auto image = lumetra::loadDotImage(bytes)) {
    if (image->dots.size() != image->bytesPerRow() * image->height) __builtin_trap();
    lumetra::encodeRasterImage(*image, table);
  }
  if (const auto grey = lumetra::greyLevelsOfPlainPng(bytes)) checkAgainstFreeImage(bytes, *grey);
  return 0;
}
