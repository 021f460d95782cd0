#pragma once

#include <cstdint>
#include <optional>

#include "image/floyd_steinberg.h"

struct FIBITMAP;

namespace lumetra {

// The grey levels FreeImage_Dither would dither for an ordinary (FIT_BITMAP)
// picture of 4 to 32 bits, after a transparent picture has been composited
// onto white with FreeImage_Composite: byte for byte FreeImage's own, so the
// dots do not change. 24- and 32-bit pictures, the usual logos, are converted
// here in one pass; the rest through FreeImage_ConvertToGreyscale. Nothing
// when FreeImage cannot convert the picture.
std::optional<GreyPicture> greyLevelsForDithering(FIBITMAP* bitmap);

// The same grey levels for one line of `width` pixels in a PNG file's byte
// order: red, green, blue (and alpha, 0 transparent), 8 bits each. An RGBA
// line is flattened onto white as above.
void greyOfRgbLine(const std::uint8_t* pixels, unsigned width, std::uint8_t* grey);
void greyOfRgbaLine(const std::uint8_t* pixels, unsigned width, std::uint8_t* grey);

}  // namespace lumetra
