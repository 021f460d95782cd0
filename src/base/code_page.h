#pragma once

#include <string>
#include <string_view>

namespace lumetra {

// The one place that names the ANSI code page every printer and device text is
// converted to. Shops run Chinese-language tills, so GBK (code page 936).
inline constexpr const char* kAnsiCodePage = "GBK";

// UTF-16 -> ANSI bytes (no terminator). A character the code page cannot hold
// becomes "?", the way the Windows default character does.
std::string utf16ToAnsi(std::u16string_view text);

// UTF-8 -> ANSI bytes, as utf16ToAnsi(utf8ToUtf16(text)) gives them.
std::string utf8ToAnsi(std::string_view text);
// The same bytes appended to `out`, which keeps its room from text to text.
void appendUtf8AsAnsi(std::string& out, std::string_view text);

// ANSI bytes -> UTF-16. A byte sequence that is not valid in the code page
// becomes "?" for its first byte and decoding goes on after it.
std::u16string ansiToUtf16(std::string_view bytes);

// True for a byte that starts a two-byte character of the code page (GBK:
// 0x81 to 0xFE), so that text measured in bytes can be cut between
// characters.
constexpr bool isAnsiLeadByte(char byte) {
  const auto value = static_cast<unsigned char>(byte);
  return value >= 0x81 && value <= 0xFE;
}

}  // namespace lumetra
