#pragma once

#include <string>
#include <string_view>

namespace lumetra {

// Page text -> bytes in the ANSI code page, followed by one NUL. The empty
// text gives exactly one NUL byte; characters the code page cannot hold
// become "?".
std::string toAnsiBytes(std::u16string_view text);

// The bytes a printer receives from a toAnsiBytes result: up to the first NUL.
std::string_view bytesUpToNul(std::string_view ansiBytes);

// ANSI bytes (up to the first NUL, if any) -> UTF-16.
std::u16string fromAnsiBytes(std::string_view ansiBytes);

}  // namespace lumetra
