#pragma once

#include <string>
#include <string_view>

namespace lumetra {

// Image text -> the image file's bytes. Only the standard alphabet in whole
// groups of four with "=" padding at the very end is accepted; anything else
// (white space, line breaks, data-URL prefixes, stray padding) decodes to
// nothing, so a damaged logo is never half printed.
std::string decodeBase64(std::string_view text);

}  // namespace lumetra
