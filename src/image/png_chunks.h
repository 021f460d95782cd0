#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lumetra {

// The image of a PNG file that FreeImage loads exactly as the file's pixels
// say: 8 bits per channel, grey (1 channel), RGB (3) or RGBA (4), not
// interlaced, every chunk intact, and no chunk that would change the pixels
// or that FreeImage could refuse.
struct PlainPngImage {
  unsigned width = 0;
  unsigned height = 0;
  unsigned channels = 0;
  std::string compressed;  // the zlib stream of all IDAT chunks, in order
};

// The image of `fileBytes` when it is such a file, else nothing: then only
// FreeImage can tell what the file holds. Pictures of more than `maxPixels`
// are refused on their header alone.
std::optional<PlainPngImage> plainPngImage(std::string_view fileBytes, unsigned long long maxPixels);

// Whether every chunk up to IEND lies within the file. libpng allocates and
// fills what a chunk declares before it finds the file too short, so a few
// hundred bytes could claim gigabytes and seconds; it refuses such a file
// in the end anyway.
bool pngChunksFitFile(std::string_view fileBytes);

}  // namespace lumetra
