#include "renderer/web_extension/window_function_installer.h"

#include <string>

#include "renderer/web_extension/js_adapter.h"

namespace lumetra {
namespace {

// Every call from the page lands here; the argument array keeps the count
// the page passed, which the functions check.
JSCValue* callWindowFunction(GPtrArray* arguments, gpointer binding) {
  const auto* function = static_cast<const BoundWindowFunction*>(binding);
  return toJsValue(jsc_context_get_current(),
                   function->handler->execute(*function->context, toCallArguments(arguments)));
}

}  // namespace

void installWindowFunctions(JSCContext* context, std::span<const BoundWindowFunction> functions) {
  JSCValue* global = jsc_context_get_global_object(context);
  for (const BoundWindowFunction& binding : functions) {
    const std::string name(binding.handler->name());
    JSCValue* function =
        jsc_value_new_function_variadic(context, name.c_str(), G_CALLBACK(callWindowFunction),
                                        const_cast<BoundWindowFunction*>(&binding), nullptr, JSC_TYPE_VALUE);
    jsc_value_object_set_property(global, name.c_str(), function);
    g_object_unref(function);
  }
  g_object_unref(global);
}

}  // namespace lumetra
