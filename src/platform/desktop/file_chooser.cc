#include "platform/desktop/file_chooser.h"

#include <cstdlib>
#include <filesystem>

#include "platform/process/helper_process.h"

namespace lumetra::platform {
namespace {

// Holds the scripted answer to what the on-screen chooser would accept.
std::optional<std::string> scriptedChoice() {
  const char* choice = std::getenv("LUMETRA_FILE_CHOICE");
  if (!choice || !*choice) return std::nullopt;
  std::error_code error;
  const std::filesystem::path path = std::filesystem::absolute(choice, error);
  if (error || !std::filesystem::is_regular_file(path, error)) return std::nullopt;
  return path.string();
}

}  // namespace

std::optional<std::string> chooseExistingFile(const std::string& filterName, const std::string& pattern) {
  const char* logPath = std::getenv("LUMETRA_DIALOG_LOG");
  if (logPath && *logPath) return scriptedChoice();
  const auto outcome = runHelper(kSelectFileHelperMode, {filterName, pattern});
  if (!outcome || outcome->exitStatus != 0 || outcome->output.empty()) return std::nullopt;
  return outcome->output;
}

}  // namespace lumetra::platform
