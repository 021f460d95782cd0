#pragma once

namespace lumetra::shell {

// The UI process from start to end: gives the exit code.
int runShell(int argc, char** argv);

}  // namespace lumetra::shell
