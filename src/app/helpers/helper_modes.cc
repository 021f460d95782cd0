#include "app/helpers/helper_modes.h"

#include <array>
#include <cstdio>
#include <span>
#include <string_view>

#include "app/helpers/message_box.h"
#include "app/helpers/select_file_helper.h"
#include "base/log.h"
#include "platform/desktop/file_chooser.h"
#include "platform/desktop/helper_dialogs.h"
#include "platform/process/helper_process.h"

namespace lumetra::shell {
namespace {

struct HelperMode {
  std::string_view name;
  int (*run)(std::span<char*> arguments);
};

constexpr std::array kHelperModes{
    HelperMode{platform::kMessageBoxMode, messageBoxHelper},
    HelperMode{platform::kSelectFileHelperMode, runSelectFileHelper},
};

}  // namespace

std::optional<int> runHelperMode(int argc, char** argv) {
  if (argc < 2) return std::nullopt;
  std::string_view first = argv[1];
  const std::string_view helperSwitch = platform::kHelperSwitch;
  if (!first.starts_with(helperSwitch)) return std::nullopt;
  first.remove_prefix(helperSwitch.size());
  for (const HelperMode& mode : kHelperModes) {
    if (mode.name == first) return mode.run(std::span<char*>(argv + 2, static_cast<std::size_t>(argc - 2)));
  }
  logf(LogLevel::warning, "unknown helper mode %.*s", static_cast<int>(first.size()), first.data());
  return 2;
}

}  // namespace lumetra::shell
