#include "tasks/image_text.h"

#include "image/image_base64.h"
#include "image/image_loading.h"
#include "printer/image_raster.h"

namespace lumetra {

std::optional<std::string> rasterForImageText(std::string_view imageText, const PrinterModelConfig& commands) {
  const std::optional<DotImage> image = loadDotImage(decodeBase64(imageText));
  if (!image) return std::nullopt;
  return encodeRasterImage(*image, commands);
}

std::optional<unsigned> imageTextWidth(std::string_view imageText) { return imageFileWidth(decodeBase64(imageText)); }

}  // namespace lumetra
