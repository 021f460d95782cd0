#pragma once

#include <string>
#include <string_view>

namespace lumetra {

// UTF-8 <-> UTF-16 without locale or iconv. Malformed input never fails:
// invalid UTF-8 sequences and lone surrogates become U+FFFD, as a browser
// engine would render them.
std::u16string utf8ToUtf16(std::string_view text);
std::string utf16ToUtf8(std::u16string_view text);

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// The code point starting at text[pos] (U+FFFD for a malformed sequence, as
// utf8ToUtf16 reads it); pos moves past it. pos must be inside the text.
// Inline: text is converted a character at a time.
inline char32_t nextCodePoint(std::string_view text, std::size_t& pos) {
  const auto byte = [&text](std::size_t at) { return static_cast<unsigned char>(text[at]); };
  const auto lead = byte(pos++);
  if (lead < 0x80) return lead;
  // Chinese text is three-byte sequences: one that is whole is read at once,
  // with the checks below.
  if ((lead & 0xF0) == 0xE0 && pos + 1 < text.size() && (byte(pos) & 0xC0) == 0x80 && (byte(pos + 1) & 0xC0) == 0x80) {
    const char32_t cp = static_cast<char32_t>((lead & 0x0F) << 12 | (byte(pos) & 0x3F) << 6 | (byte(pos + 1) & 0x3F));
    pos += 2;
    return cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF) ? kReplacementCharacter : cp;
  }
  int extra;
  char32_t cp;
  char32_t minimum;
  if ((lead & 0xE0) == 0xC0) {
    extra = 1, cp = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2, cp = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3, cp = lead & 0x07, minimum = 0x10000;
  } else {
    return kReplacementCharacter;
  }
  for (int i = 0; i < extra; ++i) {
    if (pos >= text.size() || (static_cast<unsigned char>(text[pos]) & 0xC0) != 0x80) return kReplacementCharacter;
    cp = (cp << 6) | (static_cast<unsigned char>(text[pos++]) & 0x3F);
  }
  const bool surrogate = cp >= 0xD800 && cp <= 0xDFFF;
  if (cp < minimum || cp > 0x10FFFF || surrogate) return kReplacementCharacter;
  return cp;
}

// True when every byte is 7-bit ASCII, which UTF-8 and the ANSI code page
// spell the same.
bool isAscii(std::string_view text);

}  // namespace lumetra
