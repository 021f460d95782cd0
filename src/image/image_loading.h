#pragma once

#include <optional>
#include <string_view>

#include "image/dot_image.h"

namespace lumetra {

// Pictures larger than this many pixels are refused before their pixels are
// decoded: a few kilobytes of image text can announce gigabytes of pixels,
// and no receipt logo comes near this.
inline constexpr unsigned long long kMaxImagePixels = 16ull * 1024 * 1024;

// The width of the picture in an image file (PNG, JPEG, BMP or GIF, told
// from its content), or nothing when it is not a loadable picture.
std::optional<unsigned> imageFileWidth(std::string_view fileBytes);

// The picture in an image file as printer dots. A 1-bit picture is taken
// as it is (palette index 0 prints); any other is flattened onto white where
// it is transparent and reduced to 1 bit by Floyd-Steinberg dithering.
std::optional<DotImage> loadDotImage(std::string_view fileBytes);

}  // namespace lumetra
