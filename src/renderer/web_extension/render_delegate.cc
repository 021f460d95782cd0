#include "renderer/web_extension/render_delegate.h"

#include <string>
#include <unordered_set>
#include <vector>

#include "functions/window_function_table.h"
#include "renderer/render_messages.h"
#include "renderer/script_context_lifecycle.h"
#include "renderer/web_extension/backlog_messages.h"
#include "renderer/web_extension/page_scripts.h"
#include "renderer/web_extension/window_function_installer.h"

namespace lumetra {
namespace {

// The web process's delegate: lives as long as the process, and touched
// only on its main thread.
struct RenderDelegate {
  WebKitWebExtension* extension = nullptr;
  Context* context = nullptr;
  std::vector<BoundWindowFunction> functions;
  FocusedNodeReporter focusReporter;
  // Frames whose document has a script context now; used only as identities.
  std::unordered_set<const void*> framesWithContext;
};

RenderDelegate delegate;

void sendToView(guint64 pageId, const char* name, GVariant* parameters) {
  WebKitWebPage* page = webkit_web_extension_get_page(delegate.extension, pageId);
  if (!page) {
    g_variant_unref(g_variant_ref_sink(parameters));
    return;
  }
  webkit_web_page_send_message_to_view(page, webkit_user_message_new(name, parameters), nullptr, nullptr, nullptr);
}

// The page is looked up by id: it can be gone before its document's last
// focus event arrives.
void onFocusReported(bool editable, gpointer pageId) {
  const auto changed = delegate.focusReporter.focusChanged(editable);
  if (!changed) return;
  sendToView(GPOINTER_TO_SIZE(pageId), std::string(kFocusedNodeChangedMessage).c_str(),
             g_variant_new_boolean(*changed));
}

// WebKit has no "context released" event: a frame's context ends when the
// frame goes away or when the frame gets a new one.
void onFrameGone(gpointer, GObject* frame) {
  if (delegate.framesWithContext.erase(frame) > 0) onScriptContextReleased(*delegate.context);
}

void onWindowObjectCleared(WebKitScriptWorld* world, WebKitWebPage* page, WebKitFrame* frame, gpointer) {
  if (delegate.framesWithContext.insert(frame).second) {
    g_object_weak_ref(G_OBJECT(frame), onFrameGone, nullptr);
  } else {
    onScriptContextReleased(*delegate.context);
  }
  onScriptContextCreated(*delegate.context);
  JSCContext* context = webkit_frame_get_js_context_for_script_world(frame, world);
  installWindowFunctions(context, delegate.functions);
  runPageScripts(context, onFocusReported, GSIZE_TO_POINTER(webkit_web_page_get_id(page)));
  g_object_unref(context);
}

void onConsoleMessage(WebKitWebPage* page, WebKitConsoleMessage* message, gpointer) {
  const char* text = webkit_console_message_get_text(message);
  const char* source = webkit_console_message_get_source_id(message);
  sendToView(webkit_web_page_get_id(page), std::string(kConsoleMessage).c_str(),
             g_variant_new("(ssu)", text ? text : "", source ? source : "", webkit_console_message_get_line(message)));
}

gboolean onMessageFromView(WebKitWebPage*, WebKitUserMessage* message, gpointer) {
  if (actOnPrinterMessage(*delegate.context, message)) return TRUE;
  return dispatchProcessMessage(*delegate.context, webkit_user_message_get_name(message));
}

void onPageCreated(WebKitWebExtension*, WebKitWebPage* page, gpointer) {
  g_signal_connect(page, "console-message-sent", G_CALLBACK(onConsoleMessage), nullptr);
  g_signal_connect(page, "user-message-received", G_CALLBACK(onMessageFromView), nullptr);
  addBacklogMessagePage(page);
}

}  // namespace

void startRenderDelegate(WebKitWebExtension* extension, Context& context) {
  delegate.extension = extension;
  delegate.context = &context;
  for (const WindowFunctionHandler& handler : windowFunctionTable()) delegate.functions.push_back({&handler, &context});
  g_signal_connect(extension, "page-created", G_CALLBACK(onPageCreated), nullptr);
  g_signal_connect(webkit_script_world_get_default(), "window-object-cleared", G_CALLBACK(onWindowObjectCleared),
                   nullptr);
}

}  // namespace lumetra
