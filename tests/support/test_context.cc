#include "support/test_context.h"

#include <stdexcept>
#include <string>

#include "functions/window_function_table.h"
#include "platform/desktop/helper_dialogs.h"

namespace lumetra::test {

CallResult callFunction(Context& context, std::string_view name, const CallArguments& arguments) {
  const WindowFunctionHandler* handler = findWindowFunction(name);
  if (!handler) throw std::invalid_argument("no window function " + std::string(name));
  return handler->execute(context, arguments);
}

platform::DialogAnswer EnvironmentDialogs::show(std::string_view caption, std::string_view text,
                                                platform::DialogButtons buttons) {
  if (const auto logged = platform::loggedDialogsFromEnvironment()) return logged->show(caption, text, buttons);
  return platform::HelperDialogs().show(caption, text, buttons);
}

std::optional<std::string> EnvironmentDialogs::chooseFile(const std::string& filterName, const std::string& pattern) {
  if (const auto logged = platform::loggedDialogsFromEnvironment()) return logged->chooseFile(filterName, pattern);
  return platform::HelperDialogs().chooseFile(filterName, pattern);
}

}  // namespace lumetra::test
