#pragma once

#include <string_view>

namespace lumetra {

// Whether a TARGA file is long enough for the pixels its header announces,
// at the best packing its format allows. TARGA has no signature, so stray
// bytes are often taken for one; FreeImage's loader then works from sizes
// the file does not have, and a short file can crash it.
bool targaFileHoldsItsPixels(std::string_view fileBytes);

}  // namespace lumetra
