#pragma once

#include <optional>

namespace lumetra::shell {

// When the command line asks for a helper mode ("--lumetra-helper=NAME" as
// the first argument), runs it and gives its exit code; nothing otherwise.
// An unknown mode exits with 2.
std::optional<int> runHelperMode(int argc, char** argv);

}  // namespace lumetra::shell
