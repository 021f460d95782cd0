#include "base/code_page.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <stdexcept>

#include "base/utf.h"

namespace lumetra {
namespace {

// One converter per thread and direction: iconv_open is costly next to a
// receipt line, and an iconv_t must not be shared between threads.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
    }
  }
  ~Converter() { iconv_close(cd_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts input; on an unconvertible unit appends `replacement` and skips
  // `skip(in, left)` bytes of input.
  template <typename Skip>
  std::string run(std::string_view input, std::string_view replacement, Skip skip) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    std::string out;
    out.resize(input.size() * 2 + 8);
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    std::size_t used = 0;
    while (inLeft > 0) {
      if (out.size() - used < 16) out.resize(out.size() * 2);
      char* outPtr = out.data() + used;
      std::size_t outLeft = out.size() - used;
      const std::size_t rc = iconv(cd_, &in, &inLeft, &outPtr, &outLeft);
      used = out.size() - outLeft;
      if (rc != static_cast<std::size_t>(-1)) break;
      if (errno == E2BIG) {
        out.resize(out.size() * 2);
        continue;
      }
      // EILSEQ or EINVAL (truncated input): replace and resynchronise.
      if (out.size() - used < replacement.size()) out.resize(out.size() * 2);
      out.replace(used, replacement.size(), replacement);
      used += replacement.size();
      const std::size_t n = std::min(skip(in, inLeft), inLeft);
      in += n;
      inLeft -= n;
    }
    out.resize(used);
    return out;
  }

  // How many bytes of `out` one character given whole becomes; 0 when the
  // target has none for it.
  std::size_t convertCharacter(std::string_view character, char* out, std::size_t room) {
    char* in = const_cast<char*>(character.data());
    std::size_t inLeft = character.size();
    std::size_t outLeft = room;
    if (iconv(cd_, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1)) {
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
      return 0;
    }
    return room - outLeft;
  }

 private:
  iconv_t cd_;
};

// Skips one UTF-16LE character: two bytes, or four for a surrogate pair.
std::size_t skipUtf16Char(const char* in, std::size_t left) {
  if (left < 2) return left;
  const auto unit = static_cast<unsigned char>(in[0]) | (static_cast<unsigned char>(in[1]) << 8);
  const bool high = unit >= 0xD800 && unit <= 0xDBFF;
  if (high && left >= 4) {
    const auto next = static_cast<unsigned char>(in[2]) | (static_cast<unsigned char>(in[3]) << 8);
    if (next >= 0xDC00 && next <= 0xDFFF) return 4;
  }
  return 2;
}

std::size_t skipOneByte(const char*, std::size_t) { return 1; }

}  // namespace

std::string utf16ToAnsi(std::u16string_view text) {
  thread_local Converter converter(kAnsiCodePage, "UTF-16LE");
  std::string input;
  input.reserve(text.size() * 2);
  for (char16_t unit : text) {
    input += static_cast<char>(unit & 0xFF);
    input += static_cast<char>(unit >> 8);
  }
  return converter.run(input, "?", skipUtf16Char);
}

namespace {

// What every character of the Basic Multilingual Plane becomes in the code
// page: one byte below 0x100, else lead byte << 8 | trail byte; "?" where it
// has none. Built once from iconv itself, so a text comes out as utf16ToAnsi
// would give it, without a trip through iconv for every line of a receipt.
using EncodingTable = std::array<std::uint16_t, 0x10000>;

// One iconv call per character: converting the whole plane in one call costs
// about 0.4 s, as iconv converts ahead and goes back over that work at each of
// the ~40,000 characters GBK lacks, and the first receipt of every web process
// would wait for it.
EncodingTable buildEncodingTable() {
  Converter converter(kAnsiCodePage, "UTF-16LE");
  EncodingTable table;
  table.fill('?');
  for (std::uint32_t unit = 0; unit < table.size(); ++unit) {
    if (unit >= 0xD800 && unit <= 0xDFFF) continue;
    const char utf16[2] = {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    char encoded[4];
    const auto byte = [&](int i) { return static_cast<unsigned char>(encoded[i]); };
    switch (converter.convertCharacter({utf16, sizeof utf16}, encoded, sizeof encoded)) {
      case 1:
        table[unit] = byte(0);
        break;
      case 2:
        table[unit] = static_cast<std::uint16_t>(byte(0) << 8 | byte(1));
        break;
      default:
        break;  // none, or longer than the code page's two bytes
    }
  }
  return table;
}

}  // namespace

void appendUtf8AsAnsi(std::string& out, std::string_view text) {
  static const EncodingTable table = buildEncodingTable();
  constexpr std::uint64_t kHighBits = 0x8080808080808080;
  const std::size_t start = out.size();
  // Every character takes at least one byte of the text and gives at most
  // two: the bytes are written in place, without a check for room each.
  out.resize(start + 2 * text.size());
  char* next = out.data() + start;
  for (std::size_t pos = 0; pos < text.size();) {
    // Runs of ASCII, which the code page holds unchanged, eight bytes at a time.
    std::uint64_t eight = 0;
    if (pos + sizeof eight <= text.size() &&
        (std::memcpy(&eight, text.data() + pos, sizeof eight), !(eight & kHighBits))) {
      std::memcpy(next, &eight, sizeof eight);
      next += sizeof eight;
      pos += sizeof eight;
      continue;
    }
    const char32_t cp = nextCodePoint(text, pos);
    // Beyond the plane the code page holds nothing.
    const std::uint16_t encoded = cp < table.size() ? table[cp] : '?';
    // Both bytes are written and the end moved by the length, without a
    // branch: mixed text would mispredict it and wait for every table read.
    const bool twoBytes = encoded > 0xFF;
    next[0] = static_cast<char>(twoBytes ? encoded >> 8 : encoded);
    next[1] = static_cast<char>(encoded & 0xFF);
    next += 1 + static_cast<int>(twoBytes);
  }
  out.resize(static_cast<std::size_t>(next - out.data()));
}

std::string utf8ToAnsi(std::string_view text) {
  std::string out;
  appendUtf8AsAnsi(out, text);
  return out;
}

std::u16string ansiToUtf16(std::string_view bytes) {
  thread_local Converter converter("UTF-16LE", kAnsiCodePage);
  const std::string raw = converter.run(bytes, std::string("?\0", 2), skipOneByte);
  std::u16string out;
  out.reserve(raw.size() / 2);
  for (std::size_t i = 0; i + 1 < raw.size(); i += 2) {
    out += static_cast<char16_t>(static_cast<unsigned char>(raw[i]) | (static_cast<unsigned char>(raw[i + 1]) << 8));
  }
  return out;
}

}  // namespace lumetra
