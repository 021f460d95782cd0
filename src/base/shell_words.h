#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumetra::base {

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

}  // namespace lumetra::base
