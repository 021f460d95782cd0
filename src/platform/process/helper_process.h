#pragma once

#include <optional>
#include <string>
#include <vector>

namespace lumetra::platform {

// The `lumetra` executable serves small helper modes for native dialogs that
// must block the web process while they are open:
//   lumetra --lumetra-helper=NAME ARG...
// The UI process exports its own path in this variable at start-up, so the
// web process it spawns can find it.
inline constexpr const char* kExecutableVariable = "LUMETRA_EXECUTABLE";
inline constexpr const char* kHelperSwitch = "--lumetra-helper=";

struct HelperOutcome {
  int exitStatus = -1;  // the helper's exit code; -1 when it died or could not start
  std::string output;   // what it wrote to stdout
};

// Runs a helper mode and waits for it; nullopt when LUMETRA_EXECUTABLE is not
// set (no UI process to borrow a display from).
std::optional<HelperOutcome> runHelper(const std::string& mode, const std::vector<std::string>& arguments);

}  // namespace lumetra::platform
