#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace lumetra::test {

// Real image files made with FreeImage, for the image paths to load back.
// Coordinates count from the top-left pixel, as a viewer shows the picture.

// A 24-bit PNG: each pixel's grey level (0 black .. 255 white).
std::string greyPng(unsigned width, unsigned height, const std::function<std::uint8_t(unsigned x, unsigned y)>& grey);

// The same picture in another file format (GIF: 8-bit grey palette).
enum class PictureFormat { bmp, jpeg, gif, targa };
std::string greyPicture(unsigned width, unsigned height,
                        const std::function<std::uint8_t(unsigned x, unsigned y)>& grey, PictureFormat format);

// A 32-bit PNG with alpha: each pixel's grey level and opacity (0 transparent).
std::string greyAlphaPng(unsigned width, unsigned height,
                         const std::function<std::pair<std::uint8_t, std::uint8_t>(unsigned, unsigned)>& pixel);

// A 1-bit BMP whose palette entry 0 is white and entry 1 black: each pixel's
// palette index. (PNG cannot keep that palette order: FreeImage inverts it.)
std::string whiteFirstOneBitBmp(unsigned width, unsigned height,
                                const std::function<unsigned(unsigned x, unsigned y)>& index);

// A 16-bit greyscale PNG (not an ordinary 8/24/32-bit picture).
std::string grey16Png(unsigned width, unsigned height,
                      const std::function<std::uint16_t(unsigned x, unsigned y)>& grey);

// Standard base64 with padding, as a page would send an image file.
std::string base64(std::string_view bytes);

}  // namespace lumetra::test
