#include "printer/ansi_text.h"

#include "base/code_page.h"

namespace lumetra {

std::string toAnsiBytes(std::u16string_view text) {
  std::string bytes = utf16ToAnsi(text);
  bytes.push_back('\0');
  return bytes;
}

std::string_view bytesUpToNul(std::string_view ansiBytes) { return ansiBytes.substr(0, ansiBytes.find('\0')); }

std::u16string fromAnsiBytes(std::string_view ansiBytes) { return ansiToUtf16(bytesUpToNul(ansiBytes)); }

}  // namespace lumetra
