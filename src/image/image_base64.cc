#include "image/image_base64.h"

#include <array>
#include <cstdint>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace lumetra {
namespace {

constexpr std::int8_t kNotInAlphabet = -1;

constexpr std::array<std::int8_t, 256> makeDecodeTable() {
  std::array<std::int8_t, 256> table{};
  table.fill(kNotInAlphabet);
  constexpr std::string_view alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  for (std::size_t i = 0; i < alphabet.size(); ++i) {
    table[static_cast<unsigned char>(alphabet[i])] = static_cast<std::int8_t>(i);
  }
  return table;
}

constexpr std::array<std::int8_t, 256> kDecodeTable = makeDecodeTable();

// A symbol's six bits; kNotInAlphabet (negative) for a byte that is none.
std::int32_t sixBitsOf(unsigned char symbol) {
  // NOLINTNEXTLINE(bugprone-signed-char-misuse): the table is signed so that kNotInAlphabet stays negative.
  return kDecodeTable[symbol];
}

// How many "=" end the text: 0, 1 or 2 (more is never valid).
std::size_t paddingLength(std::string_view text) {
  std::size_t padding = 0;
  while (padding < text.size() && text[text.size() - 1 - padding] == '=') ++padding;
  return padding;
}

#if defined(__x86_64__)
// Sixteen symbols to twelve bytes at a time with SSSE3's byte shuffle, which
// looks sixteen symbols up in a 16-entry table at once: one table by the
// symbol's low four bits and one by its high four give each a class bit,
// and a symbol is in the alphabet when its two lookups share none; a third
// table by the high four bits gives what to add to reach its value. Stops
// 32 symbols before the end (each store writes four bytes past its twelve)
// or before a group holding a symbol outside the alphabet, and returns how
// many symbols it decoded; the rest is the plain loop's.
__attribute__((target("ssse3"))) std::size_t decodeSixteenAtATime(const unsigned char* symbols, std::size_t count,
                                                                  char* out) {
  const __m128i classByLow =
      _mm_setr_epi8(0x15, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x13, 0x1A, 0x1B, 0x1B, 0x1B, 0x1A);
  const __m128i classByHigh =
      _mm_setr_epi8(0x10, 0x10, 0x01, 0x02, 0x04, 0x08, 0x04, 0x08, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10);
  const __m128i offsetByHigh = _mm_setr_epi8(0, 16, 19, 4, -65, -65, -71, -71, 0, 0, 0, 0, 0, 0, 0, 0);
  const __m128i slash = _mm_set1_epi8(0x2F);  // also keeps the bits the shuffle reads
  const __m128i sixBitPairs = _mm_set1_epi32(0x01400140);
  const __m128i twelveBitPairs = _mm_set1_epi32(0x00011000);
  const __m128i bigEndianBytes = _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
  std::size_t at = 0;
  for (; at + 32 <= count; at += 16, out += 12) {
    const __m128i text = _mm_loadu_si128(reinterpret_cast<const __m128i*>(symbols + at));
    const __m128i high = _mm_and_si128(_mm_srli_epi32(text, 4), slash);
    const __m128i classes =
        _mm_and_si128(_mm_shuffle_epi8(classByLow, _mm_and_si128(text, slash)), _mm_shuffle_epi8(classByHigh, high));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(classes, _mm_setzero_si128())) != 0xFFFF) break;
    // "/" shares its high bits with "+" and takes the entry before theirs.
    const __m128i offset = _mm_shuffle_epi8(offsetByHigh, _mm_add_epi8(_mm_cmpeq_epi8(text, slash), high));
    const __m128i values = _mm_add_epi8(text, offset);
    const __m128i groups = _mm_madd_epi16(_mm_maddubs_epi16(values, sixBitPairs), twelveBitPairs);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_shuffle_epi8(groups, bigEndianBytes));
  }
  return at;
}

std::size_t decodeAheadOfPlainLoop(const unsigned char* symbols, std::size_t count, char* out) {
  static const bool hasShuffle = __builtin_cpu_supports("ssse3");
  return hasShuffle ? decodeSixteenAtATime(symbols, count, out) : 0;
}
#else
std::size_t decodeAheadOfPlainLoop(const unsigned char*, std::size_t, char*) { return 0; }
#endif

}  // namespace

std::string decodeBase64(std::string_view text) {
  const std::size_t padding = paddingLength(text);
  if (text.size() % 4 != 0 || padding > 2) return {};
  const std::size_t symbolCount = text.size() - padding;
  const auto* symbols = reinterpret_cast<const unsigned char*>(text.data());

  // A logo is hundreds of kilobytes of text: whole groups of four symbols
  // are decoded into a buffer sized once, three bytes at a time.
  std::string bytes(symbolCount * 6 / 8, '\0');
  std::size_t at = decodeAheadOfPlainLoop(symbols, symbolCount, bytes.data());
  char* out = bytes.data() + at / 4 * 3;
  for (; at + 4 <= symbolCount; at += 4, out += 3) {
    const std::int32_t a = sixBitsOf(symbols[at]), b = sixBitsOf(symbols[at + 1]);
    const std::int32_t c = sixBitsOf(symbols[at + 2]), d = sixBitsOf(symbols[at + 3]);
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
