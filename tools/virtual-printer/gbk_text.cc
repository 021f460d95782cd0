#include "gbk_text.h"

#include "base/code_page.h"
#include "base/utf.h"

namespace lumetra::virtual_printer {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool isGbkTrailByte(std::uint8_t byte) { return byte >= 0x40 && byte <= 0xFE && byte != 0x7F; }
bool isPrintableAscii(std::uint8_t byte) { return byte >= 0x20 && byte <= 0x7E; }
std::uint8_t at(std::string_view bytes, std::size_t index) { return static_cast<std::uint8_t>(bytes[index]); }

// Length of the character at the start of `bytes`, 0 when there is none.
std::size_t characterLength(std::string_view bytes) {
  if (isPrintableAscii(at(bytes, 0))) return 1;
  if (bytes.size() >= 2 && isGbkLeadByte(at(bytes, 0)) && isGbkTrailByte(at(bytes, 1))) return 2;
  return 0;
}

char32_t decodeCharacter(std::string_view bytes) {
  if (bytes.size() == 1) return static_cast<char32_t>(at(bytes, 0));
  const std::u16string decoded = ansiToUtf16(bytes);
  // The code page converter answers "?" for a pair GBK leaves unassigned.
  if (decoded.size() != 1 || decoded[0] == u'?') return kReplacement;
  return decoded[0];
}

}  // namespace

bool isGbkLeadByte(std::uint8_t byte) { return byte >= 0x81 && byte <= 0xFE; }

std::size_t gbkTextRunLength(std::string_view bytes) {
  std::size_t used = 0;
  while (used < bytes.size()) {
    const std::size_t length = characterLength(bytes.substr(used));
    if (length == 0) break;
    used += length;
  }
  return used;
}

std::vector<TextCharacter> splitGbkText(std::string_view run) {
  std::vector<TextCharacter> characters;
  for (std::size_t used = 0; used < run.size();) {
    const std::size_t length = characterLength(run.substr(used));
    if (length == 0) break;
    const std::string_view bytes = run.substr(used, length);
    characters.push_back({std::string(bytes), decodeCharacter(bytes)});
    used += length;
  }
  return characters;
}

std::string gbkToUtf8(std::string_view run) {
  std::u16string units;
  for (const TextCharacter& character : splitGbkText(run)) units.push_back(static_cast<char16_t>(character.codePoint));
  return utf16ToUtf8(units);
}

}  // namespace lumetra::virtual_printer
