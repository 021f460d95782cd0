#include "renderer/web_extension/js_adapter.h"

#include <string>
#include <type_traits>
#include <variant>

namespace lumetra {
namespace {

CallArgument toCallArgument(JSCValue* value) {
  if (jsc_value_is_number(value)) return CallArgument::number(jsc_value_to_double(value));
  if (jsc_value_is_boolean(value)) return CallArgument::boolean(jsc_value_to_boolean(value));
  if (jsc_value_is_string(value)) {
    // As bytes: a C string would end the text at its first NUL.
    GBytes* bytes = jsc_value_to_string_as_bytes(value);
    gsize size = 0;
    const auto* data = static_cast<const char*>(bytes ? g_bytes_get_data(bytes, &size) : nullptr);
    CallArgument argument = CallArgument::string(data ? std::string(data, size) : std::string());
    if (bytes) g_bytes_unref(bytes);
    return argument;
  }
  return CallArgument::other();
}

// From bytes rather than a C string, so a NUL inside the text survives.
JSCValue* newString(JSCContext* context, const std::string& utf8) {
  GBytes* bytes = g_bytes_new(utf8.data(), utf8.size());
  JSCValue* value = jsc_value_new_string_from_bytes(context, bytes);
  g_bytes_unref(bytes);
  return value;
}

JSCValue* newStringArray(JSCContext* context, const CallResult::Strings& strings) {
  GPtrArray* items = g_ptr_array_new_with_free_func(g_object_unref);
  for (const std::string& text : strings) g_ptr_array_add(items, newString(context, text));
  JSCValue* array = jsc_value_new_array_from_garray(context, items);
  g_ptr_array_unref(items);
  return array;
}

}  // namespace

CallArguments toCallArguments(GPtrArray* jsArguments) {
  std::vector<CallArgument> arguments;
  if (jsArguments) {
    arguments.reserve(jsArguments->len);
    for (guint i = 0; i < jsArguments->len; ++i) {
      arguments.push_back(toCallArgument(static_cast<JSCValue*>(g_ptr_array_index(jsArguments, i))));
    }
  }
  return CallArguments(std::move(arguments));
}

JSCValue* toJsValue(JSCContext* context, const CallResult& result) {
  if (!result.handled()) return jsc_value_new_undefined(context);
  return std::visit(
      [context](const auto& value) -> JSCValue* {
        using T = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<T, bool>) {
          return jsc_value_new_boolean(context, value);
        } else if constexpr (std::is_same_v<T, std::int32_t>) {
          return jsc_value_new_number(context, value);
        } else if constexpr (std::is_same_v<T, std::string>) {
          return newString(context, value);
        } else if constexpr (std::is_same_v<T, CallResult::Strings>) {
          return newStringArray(context, value);
        } else {
          return jsc_value_new_undefined(context);
        }
      },
      result.value());
}

}  // namespace lumetra
