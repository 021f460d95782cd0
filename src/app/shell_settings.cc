#include "app/shell_settings.h"

namespace lumetra::shell {
namespace {

std::string_view switchName(std::string_view argument) {
  if (argument.starts_with("--")) {
    argument.remove_prefix(2);
  } else if (argument.starts_with("-")) {
    argument.remove_prefix(1);
  } else {
    return {};
  }
  return argument.substr(0, argument.find('='));
}

}  // namespace

ShellSwitches readSwitches(int argc, const char* const* argv) {
  ShellSwitches switches;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--") break;
    const std::string_view name = switchName(argument);
    if (name == "multi-threaded-message-loop") switches.multiThreadedMessageLoop = true;
    if (name == "mouse-cursor-change-disabled") switches.mouseCursorChangeDisabled = true;
  }
  return switches;
}

}  // namespace lumetra::shell
