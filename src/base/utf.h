#pragma once

#include <string>
#include <string_view>

namespace lumetra::base {

// UTF-8 <-> UTF-16 without locale or iconv. Malformed input never fails:
// invalid UTF-8 sequences and lone surrogates become U+FFFD, as a browser
// engine would render them.
std::u16string utf8ToUtf16(std::string_view text);
std::string utf16ToUtf8(std::u16string_view text);

// The code point starting at text[pos] (U+FFFD for a malformed sequence, as
// utf8ToUtf16 reads it); pos moves past it. pos must be inside the text.
char32_t nextCodePoint(std::string_view text, std::size_t& pos);

// True when every byte is 7-bit ASCII, which UTF-8 and the ANSI code page
// spell the same.
bool isAscii(std::string_view text);

}  // namespace lumetra::base
