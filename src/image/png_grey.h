#pragma once

#include <optional>
#include <string_view>

#include "image/floyd_steinberg.h"

namespace lumetra {

// The grey levels of a plain PNG file (8-bit grey, RGB or RGBA, nothing that
// changes how its pixels load; see png_chunks.h), decoded here without
// FreeImage: byte for byte what greyLevelsForDithering gives for FreeImage's
// bitmap of the same file, at a fraction of the cost. Nothing for any other
// file, and for pictures over kMaxImagePixels, which FreeImage then handles.
std::optional<GreyPicture> greyLevelsOfPlainPng(std::string_view fileBytes);

}  // namespace lumetra
