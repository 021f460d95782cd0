#pragma once

#include <sys/types.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace lumetra::test {

// Where a started program's standard streams go; -1 means /dev/null.
struct ChildStreams {
  int input = -1;
  int output = -1;
  int error = STDERR_FILENO;
};

// Starts `program` (looked up in PATH when it has no slash) with `arguments`
// (argv[0] first) and exactly `environment`. The child asks to be ended when
// the test process goes, however it goes, so a crashed or killed test leaves
// no server behind. `keepOpen` is a descriptor the child inherits as it is.
// Throws when the program cannot be started.
pid_t spawnTiedToTest(const std::string& program, const std::vector<std::string>& arguments,
                      const std::vector<std::string>& environment, ChildStreams streams = {},
                      const std::string& workingDirectory = {}, int keepOpen = -1);

// This process's environment.
std::vector<std::string> currentEnvironment();

}  // namespace lumetra::test
