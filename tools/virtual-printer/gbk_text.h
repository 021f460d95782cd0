#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lumetra::virtual_printer {

// Receipt printers sold to Chinese-language shops print text in GBK: one
// byte for ASCII, two for a Chinese character.
bool isGbkLeadByte(std::uint8_t byte);

// How many bytes at the start of `bytes` are whole printable characters.
std::size_t gbkTextRunLength(std::string_view bytes);

// One printed character: its bytes and what they mean.
struct TextCharacter {
  std::string bytes;   // one or two bytes
  char32_t codePoint;  // U+FFFD when GBK has no character there
  bool doubleByte() const { return bytes.size() == 2; }
};

// Splits a text run (as measured by gbkTextRunLength) into characters.
std::vector<TextCharacter> splitGbkText(std::string_view run);

// A text run as UTF-8, for transcripts.
std::string gbkToUtf8(std::string_view run);

}  // namespace lumetra::virtual_printer
