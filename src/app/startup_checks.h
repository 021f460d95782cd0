#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace lumetra::shell {

inline constexpr const char* kExtensionFileName = "liblumetra-renderer.so";

// Where the web extension is looked for, in order: beside the executable
// (the build tree), then the installed layout's private library folder
// (PREFIX/lib/lumetra beside PREFIX/bin).
std::vector<std::filesystem::path> extensionFolders(const std::filesystem::path& executableFolder);
std::optional<std::filesystem::path> findExtensionFolder(const std::filesystem::path& executableFolder);

// What is wrong with a till's set-up, found at start-up: each problem is a
// line for stderr; those the staff can act on also make up one message box.
struct StartupReport {
  std::vector<std::string> errorLines;
  std::string staffText;  // empty: nothing to tell the staff
};

// The web extension (nullopt: not found, looked for in `searched`), the
// working folder's write access, and the model files in its dev/.
StartupReport checkStartup(const std::optional<std::filesystem::path>& extensionFolder,
                           const std::vector<std::filesystem::path>& searched,
                           const std::filesystem::path& workingFolder);

}  // namespace lumetra::shell
