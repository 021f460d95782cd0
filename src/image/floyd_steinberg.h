#pragma once

#include <cstdint>
#include <vector>

#include "image/dot_image.h"

namespace lumetra {

// A picture as 8-bit grey levels (0 black .. 255 white). Scan line 0 is the
// bottom row, as FreeImage keeps it: the dithering below walks the picture in
// that order, and the dots depend on it.
struct GreyPicture {
  unsigned width = 0;
  unsigned height = 0;
  std::vector<std::uint8_t> levels;  // height * width

  const std::uint8_t* scanLine(unsigned y) const { return levels.data() + static_cast<std::size_t>(y) * width; }
  std::uint8_t* scanLine(unsigned y) { return levels.data() + static_cast<std::size_t>(y) * width; }
};

// Floyd-Steinberg dithering to printer dots (black prints), dot for dot the
// result FreeImage 3.18's FreeImage_Dither(FID_FS) gives for the same grey
// levels: pictures printed before keep printing the same, and FreeImage's
// per-pixel accessors, its 8-bit intermediate bitmap and its threshold pass
// are no longer paid for. Width and height must not be 0.
DotImage ditherFloydSteinberg(const GreyPicture& picture);

}  // namespace lumetra
