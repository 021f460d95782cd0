#include "renderer/web_extension/js_adapter.h"

#include <string>
#include <type_traits>
#include <variant>

namespace lumetra {
namespace {

CallArgument toCallArgument(JSCValue* value) {
  if (jsc_value_is_number(value)) return CallArgument::number(jsc_value_to_double(value));
  if (jsc_value_is_boolean(value)) return CallArgument::boolean(jsc_value_to_boolean(value));
  return CallArgument::other();
}

// The string's length in UTF-16 code units, read without converting it;
// its UTF-8 form has at least as many bytes. (`length` of a string cannot
// be redefined by the page.)
std::size_t utf16Length(JSCValue* string) {
  JSCValue* length = jsc_value_object_get_property(string, "length");
  const double units = jsc_value_is_number(length) ? jsc_value_to_double(length) : 0;
  g_object_unref(length);
  return units > 0 ? static_cast<std::size_t>(units) : 0;
}

// As bytes: a C string would end the text at its first NUL. Converted once,
// into UTF-8, and copied once.
std::string utf8Of(JSCValue* string) {
  GBytes* bytes = jsc_value_to_string_as_bytes(string);
  gsize size = 0;
  const auto* data = static_cast<const char*>(bytes ? g_bytes_get_data(bytes, &size) : nullptr);
  std::string text = data ? std::string(data, size) : std::string();
  if (bytes) g_bytes_unref(bytes);
  return text;
}

// Reads one argument; false once the call's text is over the limit.
bool readArgument(JSCValue* value, CallFrameReader& frame) {
  if (!jsc_value_is_string(value)) {
    frame.add(toCallArgument(value));
    return true;
  }
  return frame.roomFor(utf16Length(value)) && frame.addText(utf8Of(value));
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
  CallFrameReader frame;
  for (guint i = 0; jsArguments && i < jsArguments->len; ++i) {
    if (!readArgument(static_cast<JSCValue*>(g_ptr_array_index(jsArguments, i)), frame)) break;
  }
  return std::move(frame).frame();
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
