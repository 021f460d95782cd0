#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lumetra {

// Reads settings from INI ("profile") files with the rules shops' model files
// were written for: section and key names match without regard to letter
// case, the first matching section and key win, values are trimmed and lose
// one pair of enclosing quotes, lines starting with ';' are comments, and a
// missing file, section or key gives the default. The file is read afresh on
// every call, so an edited file takes effect at the next read.
//
// Files may be UTF-8 (with or without BOM), UTF-16LE with BOM, or GBK.

// The value exactly as the file gives it (trimmed, unquoted), or nothing
// when the file, section or key is missing, so a caller can tell an empty
// value from an absent one.
std::optional<std::u16string> findProfileValue(const std::filesystem::path& file, std::u16string_view section,
                                               std::u16string_view key);

// Every key of the section with its value (trimmed, unquoted), in file
// order; a key written twice counts once, as its first value. At most
// `maxEntries` are read.
std::vector<std::pair<std::u16string, std::u16string>> readProfileSection(const std::filesystem::path& file,
                                                                          std::u16string_view section,
                                                                          std::size_t maxEntries);

// The value, cut to `bufferUnits - 1` UTF-16 code units as a fixed-size
// buffer of that many units would hold it.
std::u16string readProfileString(const std::filesystem::path& file, std::u16string_view section,
                                 std::u16string_view key, std::u16string_view fallback, std::size_t bufferUnits);

// The value as an integer: optional leading blanks and sign, then decimal
// digits up to the first other character (0 when there are none); wraps
// modulo 2^32 like the unsigned accumulator it is read into. A missing or
// empty value gives the default.
std::int32_t readProfileInt(const std::filesystem::path& file, std::u16string_view section, std::u16string_view key,
                            std::int32_t fallback);

}  // namespace lumetra
