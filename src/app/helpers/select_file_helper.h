#pragma once

#include <span>

namespace lumetra::shell {

// The "select-file" helper mode: FILTER-NAME PATTERN (the arguments after the
// mode switch). Shows an open-file chooser for existing local files, writes
// the chosen path to stdout with nothing after it and exits 0; exits 1 when
// the user cancels, 2 for wrong arguments or when no display can be opened.
int runSelectFileHelper(std::span<char*> arguments);

}  // namespace lumetra::shell
