#include "jobs/image_base64.h"

#include <array>
#include <cstdint>

namespace lumetra {
namespace {

constexpr std::int8_t kNotInAlphabet = -1;

constexpr std::array<std::int8_t, 256> makeDecodeTable() {
  std::array<std::int8_t, 256> table{};
  table.fill(kNotInAlphabet);
  constexpr std::string_view alphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  for (std::size_t i = 0; i < alphabet.size(); ++i) {
    table[static_cast<unsigned char>(alphabet[i])] = static_cast<std::int8_t>(i);
  }
  return table;
}

constexpr std::array<std::int8_t, 256> kDecodeTable = makeDecodeTable();

// How many "=" end the text: 0, 1 or 2 (more is never valid).
std::size_t paddingLength(std::string_view text) {
  std::size_t padding = 0;
  while (padding < text.size() && text[text.size() - 1 - padding] == '=') ++padding;
  return padding;
}

}  // namespace

std::string decodeBase64(std::string_view text) {
  const std::size_t padding = paddingLength(text);
  if (text.size() % 4 != 0 || padding > 2) return {};
  const std::string_view symbols = text.substr(0, text.size() - padding);

  std::string bytes;
  bytes.reserve(symbols.size() / 4 * 3 + 2);
  std::uint32_t bits = 0;
  int bitCount = 0;
  for (const char symbol : symbols) {
    const std::int8_t value = kDecodeTable[static_cast<unsigned char>(symbol)];
    if (value == kNotInAlphabet) return {};
    bits = (bits << 6) | static_cast<std::uint32_t>(value);
    bitCount += 6;
    if (bitCount >= 8) {
      bitCount -= 8;
      bytes.push_back(static_cast<char>((bits >> bitCount) & 0xFF));
    }
  }
  return bytes;
}

}  // namespace lumetra
