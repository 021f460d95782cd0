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
  const std::size_t symbolCount = text.size() - padding;
  const auto* symbols = reinterpret_cast<const unsigned char*>(text.data());

  // A logo is hundreds of kilobytes of text: whole groups of four symbols
  // are decoded into a buffer sized once, three bytes at a time.
  std::string bytes(symbolCount * 6 / 8, '\0');
  char* out = bytes.data();
  std::size_t at = 0;
  for (; at + 4 <= symbolCount; at += 4, out += 3) {
    const std::int32_t a = kDecodeTable[symbols[at]], b = kDecodeTable[symbols[at + 1]];
    const std::int32_t c = kDecodeTable[symbols[at + 2]], d = kDecodeTable[symbols[at + 3]];
    if ((a | b | c | d) < 0) return {};
    const std::uint32_t group = static_cast<std::uint32_t>(a << 18 | b << 12 | c << 6 | d);
    out[0] = static_cast<char>(group >> 16);
    out[1] = static_cast<char>(group >> 8);
    out[2] = static_cast<char>(group);
  }
  // The padded group: two or three symbols give one or two bytes; their
  // leftover low bits are dropped.
  std::uint32_t bits = 0;
  for (std::size_t i = at; i < symbolCount; ++i) {
    const std::int8_t value = kDecodeTable[symbols[i]];
    if (value == kNotInAlphabet) return {};
    bits = bits << 6 | static_cast<std::uint32_t>(value);
  }
  const std::size_t restBits = (symbolCount - at) * 6;
  for (std::size_t used = 8; used <= restBits; used += 8) *out++ = static_cast<char>(bits >> (restBits - used));
  return bytes;
}

}  // namespace lumetra
