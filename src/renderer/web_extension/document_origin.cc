#include "renderer/web_extension/document_origin.h"

#include <string_view>

#include "renderer/web_extension/page_scripts.h"

namespace lumetra {
namespace {

// A file's URL is as long as its path may be; anything longer is no
// document the shop could have listed.
constexpr std::size_t kLongestOrigin = 8192;

WebKitScriptWorld* originWorld() {
  static WebKitScriptWorld* const world = webkit_script_world_new_with_name("lumetra-origin");
  return world;
}

}  // namespace

std::string documentOrigin(WebKitFrame* frame) {
  JSCContext* context = webkit_frame_get_js_context_for_script_world(frame, originWorld());
  JSCValue* value = evaluateResource(context, "/lumetra/renderer/js/document_origin.js");
  std::string origin = "null";
  if (jsc_value_is_string(value)) {
    char* text = jsc_value_to_string(value);
    if (text && std::string_view(text).size() <= kLongestOrigin) origin = text;
    g_free(text);
  }
  g_object_unref(value);
  g_object_unref(context);
  return origin;
}

}  // namespace lumetra
