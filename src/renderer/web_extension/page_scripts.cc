#include "renderer/web_extension/page_scripts.h"

#include <gio/gio.h>

#include <cstdio>

#include "base/log.h"

namespace lumetra {
namespace {

struct FocusHook {
  FocusReport report;
  gpointer data;
};

void onFocusReported(gboolean editable, gpointer hook) {
  const auto* focus = static_cast<const FocusHook*>(hook);
  focus->report(editable, focus->data);
}

}  // namespace

JSCValue* evaluateResource(JSCContext* context, const char* path) {
  GBytes* code = g_resources_lookup_data(path, G_RESOURCE_LOOKUP_FLAGS_NONE, nullptr);
  if (!code) {
    logf(LogLevel::warning, "page script %s is missing", path);
    return jsc_value_new_undefined(context);
  }
  gsize size = 0;
  const auto* text = static_cast<const char*>(g_bytes_get_data(code, &size));
  JSCValue* result = jsc_context_evaluate_with_source_uri(context, text, static_cast<gssize>(size), path, 1);
  g_bytes_unref(code);
  if (JSCException* exception = jsc_context_get_exception(context)) {
    logf(LogLevel::warning, "page script %s failed: %s", path, jsc_exception_get_message(exception));
    jsc_context_clear_exception(context);
  }
  return result;
}

void installQueryRouter(JSCContext* context) {
  g_object_unref(evaluateResource(context, "/lumetra/renderer/js/message_router.js"));
}

void installFocusListener(JSCContext* context, FocusReport report, gpointer data) {
  JSCValue* hook = jsc_value_new_function(
      context, nullptr, G_CALLBACK(onFocusReported), new FocusHook{report, data},
      [](gpointer hook) { delete static_cast<FocusHook*>(hook); }, G_TYPE_NONE, 1, G_TYPE_BOOLEAN);
  JSCValue* install = evaluateResource(context, "/lumetra/renderer/js/focus_listener.js");
  if (jsc_value_is_function(install)) {
    g_object_unref(jsc_value_function_call(install, JSC_TYPE_VALUE, hook, G_TYPE_NONE));
  }
  g_object_unref(install);
  g_object_unref(hook);
}

}  // namespace lumetra
