#pragma once

#include <optional>
#include <string>

namespace lumetra::platform {

// Lets the user pick one existing file, showing only names that match
// `pattern` (a glob such as "*.mp3", matched without regard to case) under the
// filter name `filterName`. Blocks until the user has answered; the full path,
// or nullopt when the user cancels or no chooser can be shown.
//
// On screen the chooser is the "select-file" helper mode of the lumetra
// executable: it takes the filter name and pattern as its two arguments,
// writes the chosen path to stdout with nothing after it and exits 0, or exits
// 1 when cancelled.
std::optional<std::string> chooseExistingFile(const std::string& filterName, const std::string& pattern);

inline constexpr const char* kSelectFileHelperMode = "select-file";

}  // namespace lumetra::platform
