#pragma once

#include <string_view>

namespace lumetra {

// Whether a GIF file's screen and first picture hold at most `maxPixels`
// each. FreeImage cannot read a GIF's size without decoding it, and it
// allocates the announced size first: a few dozen bytes could claim gigabytes.
// A file whose first picture cannot be found is refused too.
bool gifSizeWithin(std::string_view fileBytes, unsigned long long maxPixels);

}  // namespace lumetra
