#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumetra {

// Splits a command-line text into arguments by the usual shell quoting rules,
// the same way GLib's g_shell_parse_argv does: blanks separate words, single
// quotes keep everything literally, double quotes keep everything except
// backslash escapes of " \ ` $ and newline, a backslash outside quotes takes
// the next character literally, and a # at the start of a word starts a
// comment up to the end of the line (also when the # is the last character,
// which GLib rejects as an open quote). Nothing is expanded: $, `, ;, | and the
// like are ordinary characters. The text ends at its first NUL, as a C string
// would.
//
// Gives nullopt for an unmatched quote or a trailing backslash; an empty or
// all-blank text gives no arguments.
std::optional<std::vector<std::string>> splitShellWords(std::string_view text);

// Splits a text the way a Windows program splits the rest of its own command
// line (the C runtime's rules): blanks and tabs separate arguments outside
// double quotes; a double quote opens or closes quoting, and "" inside quotes
// is a literal quote; backslashes are literal except before a double quote,
// where each pair gives one backslash and an odd one makes the quote literal.
// An unmatched quote runs to the end. Single quotes are ordinary characters.
// The text ends at its first NUL. Every text splits.
std::vector<std::string> splitWindowsCommandLine(std::string_view text);

}  // namespace lumetra
