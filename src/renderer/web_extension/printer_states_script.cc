#include "renderer/web_extension/printer_states_script.h"

#include <string>

namespace lumetra {
namespace {

// From bytes rather than a C string: a queue's name is whatever the page
// passed, NULs included.
void setString(JSCContext* context, JSCValue* object, const char* name, std::string_view text) {
  GBytes* bytes = g_bytes_new(text.data(), text.size());
  JSCValue* value = jsc_value_new_string_from_bytes(context, bytes);
  g_bytes_unref(bytes);
  jsc_value_object_set_property(object, name, value);
  g_object_unref(value);
}

void setNumber(JSCContext* context, JSCValue* object, const char* name, double number) {
  JSCValue* value = jsc_value_new_number(context, number);
  jsc_value_object_set_property(object, name, value);
  g_object_unref(value);
}

JSCValue* stateObject(JSCContext* context, const PrinterState& state) {
  JSCValue* object = jsc_value_new_object(context, nullptr, nullptr);
  setString(context, object, "printer", state.printer.name);
  setString(context, object, "kind", printerKindWord(state.printer.kind));
  setNumber(context, object, "waiting", static_cast<double>(state.waiting));
  setNumber(context, object, "oldest", static_cast<double>(state.oldestUnixSeconds));
  setNumber(context, object, "held", static_cast<double>(state.held));
  setString(context, object, "reason", troubleCode(state.reason));
  setString(context, object, "condition", troubleCode(state.condition));
  setNumber(context, object, "delivered", static_cast<double>(state.delivered));
  setNumber(context, object, "failed", static_cast<double>(state.failed));
  return object;
}

// Arguments are ignored: the function takes none.
JSCValue* callPrinterStates(GPtrArray*, gpointer jobs) {
  return printerStatesValue(jsc_context_get_current(), static_cast<PrintJobs*>(jobs)->delivery.printerStates());
}

}  // namespace

JSCValue* printerStatesValue(JSCContext* context, const std::vector<PrinterState>& states) {
  GPtrArray* items = g_ptr_array_new_with_free_func(g_object_unref);
  for (const PrinterState& state : states) g_ptr_array_add(items, stateObject(context, state));
  JSCValue* array = jsc_value_new_array_from_garray(context, items);
  g_ptr_array_unref(items);
  return array;
}

void installPrinterStatesFunction(JSCContext* context, PrintJobs& jobs) {
  JSCValue* global = jsc_context_get_global_object(context);
  JSCValue* function = jsc_value_new_function_variadic(context, kPrinterStatesFunction, G_CALLBACK(callPrinterStates),
                                                       &jobs, nullptr, JSC_TYPE_VALUE);
  jsc_value_object_set_property(global, kPrinterStatesFunction, function);
  g_object_unref(function);
  g_object_unref(global);
}

void dispatchPrinterStatesEvent(JSCContext* context, const std::vector<PrinterState>& states) {
  JSCValue* global = jsc_context_get_global_object(context);
  JSCValue* constructor = jsc_value_object_get_property(global, "CustomEvent");
  if (jsc_value_is_constructor(constructor)) {
    JSCValue* init = jsc_value_new_object(context, nullptr, nullptr);
    JSCValue* detail = printerStatesValue(context, states);
    jsc_value_object_set_property(init, "detail", detail);
    JSCValue* event =
        jsc_value_constructor_call(constructor, G_TYPE_STRING, kPrinterStatesEvent, JSC_TYPE_VALUE, init, G_TYPE_NONE);
    JSCValue* result = jsc_value_object_invoke_method(global, "dispatchEvent", JSC_TYPE_VALUE, event, G_TYPE_NONE);
    if (result) g_object_unref(result);
    if (event) g_object_unref(event);
    g_object_unref(detail);
    g_object_unref(init);
  }
  // Whatever the page's listeners threw stays with the page.
  jsc_context_clear_exception(context);
  g_object_unref(constructor);
  g_object_unref(global);
}

}  // namespace lumetra
