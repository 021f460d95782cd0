#include "platform/desktop/file_chooser.h"

#include "platform/process/helper_process.h"

namespace lumetra::platform {

std::optional<std::string> chooseExistingFile(const std::string& filterName, const std::string& pattern) {
  const auto outcome = runHelper(kSelectFileHelperMode, {filterName, pattern});
  if (!outcome || outcome->exitStatus != 0 || outcome->output.empty()) return std::nullopt;
  return outcome->output;
}

}  // namespace lumetra::platform
