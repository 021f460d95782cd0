#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace lumetra::platform {

// Names of the regular files in `folder`, in the order the file system
// enumerates them (no sorting). A missing or unreadable folder gives none.
std::vector<std::string> regularFileNames(const std::filesystem::path& folder);

}  // namespace lumetra::platform
