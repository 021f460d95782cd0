#include "renderer/web_extension/window_function_installer.h"

#include <string>

#include "renderer/web_extension/js_adapter.h"

namespace lumetra {
namespace {

// Every call from the page lands here; the argument array keeps the count
// the page passed, which the functions check.
JSCValue* callWindowFunction(GPtrArray* arguments, gpointer handler) {
  const auto* function = static_cast<const WindowFunctionHandler*>(handler);
  return toJsValue(jsc_context_get_current(), function->execute(toCallArguments(arguments)));
}

}  // namespace

void installWindowFunctions(JSCContext* context, std::span<const WindowFunctionHandler> handlers) {
  JSCValue* global = jsc_context_get_global_object(context);
  for (const WindowFunctionHandler& handler : handlers) {
    const std::string name(handler.name());
    JSCValue* function = jsc_value_new_function_variadic(
        context, name.c_str(), G_CALLBACK(callWindowFunction),
        const_cast<WindowFunctionHandler*>(&handler), nullptr, JSC_TYPE_VALUE);
    jsc_value_object_set_property(global, name.c_str(), function);
    g_object_unref(function);
  }
  g_object_unref(global);
}

}  // namespace lumetra
