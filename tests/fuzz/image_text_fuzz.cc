// Image text as a page could send it, and the same bytes as an image file
// (which base64 text rarely reaches by chance): decoding, loading, dithering
// and the raster encoding.
#include "jobs/image_loading.h"
#include "jobs/image_raster.h"
#include "jobs/image_text.h"

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
  return 0;
}
