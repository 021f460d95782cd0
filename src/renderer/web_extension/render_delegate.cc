#include "renderer/web_extension/render_delegate.h"

#include <algorithm>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "functions/window_function_table.h"
#include "renderer/origin_gate.h"
#include "renderer/render_messages.h"
#include "renderer/script_context_lifecycle.h"
#include "renderer/web_extension/backlog_messages.h"
#include "renderer/web_extension/document_origin.h"
#include "renderer/web_extension/page_scripts.h"
#include "renderer/web_extension/printer_states_script.h"
#include "renderer/web_extension/window_function_installer.h"

namespace lumetra {
namespace {

// The web process's delegate: lives as long as the process, and touched
// only on its main thread.
struct RenderDelegate {
  WebKitWebExtension* extension = nullptr;
  Context* context = nullptr;
  std::optional<OriginGate> gate;
  std::vector<BoundWindowFunction> functions;
  FocusedNodeReporter focusReporter;
  // Frames whose document has a script context now, used only as
  // identities: true while it is a trusted one.
  std::unordered_map<const void*, bool> framesWithContext;
  // Frames whose script context now has the window functions, and with
  // them the printers' state; a frame left out by a later context drops out.
  std::vector<WebKitFrame*> framesTold;
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
void forgetFrameTold(const void* frame) { std::erase(delegate.framesTold, frame); }

void onFrameGone(gpointer, GObject* frame) {
  forgetFrameTold(frame);
  const auto found = delegate.framesWithContext.find(frame);
  if (found == delegate.framesWithContext.end()) return;
  const bool trusted = found->second;
  delegate.framesWithContext.erase(found);
  if (trusted) onScriptContextReleased(*delegate.context);
}

// Only trusted contexts run the steps of a context's start and end: an
// untrusted frame that reloads itself must not close the till's printers.
void replaceContext(WebKitFrame* frame, bool trusted) {
  const auto [entry, first] = delegate.framesWithContext.try_emplace(frame, trusted);
  if (first) {
    g_object_weak_ref(G_OBJECT(frame), onFrameGone, nullptr);
  } else {
    if (entry->second) onScriptContextReleased(*delegate.context);
    entry->second = trusted;
  }
  if (trusted) onScriptContextCreated(*delegate.context);
}

// The UI process shows the staff when the till's own page is not trusted,
// and lets only trusted pages locate the till.
void tellPageTrust(WebKitWebPage* page, bool trusted, const std::string& origin) {
  const std::string name = originName(origin);
  sendToView(webkit_web_page_get_id(page), std::string(kPageTrustMessage).c_str(),
             g_variant_new("(bs)", trusted, g_utf8_validate(name.data(), -1, nullptr) ? name.c_str() : "null"));
}

// Every new document of every frame and popup, before its own scripts.
void onWindowObjectCleared(WebKitScriptWorld* world, WebKitWebPage* page, WebKitFrame* frame, gpointer) {
  const std::string origin = documentOrigin(frame);
  const bool trusted = delegate.gate->admits(origin);
  replaceContext(frame, trusted);
  forgetFrameTold(frame);
  JSCContext* context = webkit_frame_get_js_context_for_script_world(frame, world);
  if (trusted) {
    installWindowFunctions(context, delegate.functions);
    installQueryRouter(context);
    // Together with the window functions: a context without them is not told.
    installPrinterStatesFunction(context, delegate.context->jobs);
    delegate.framesTold.push_back(frame);
  }
  installFocusListener(context, onFocusReported, GSIZE_TO_POINTER(webkit_web_page_get_id(page)));
  g_object_unref(context);
  if (webkit_frame_is_main_frame(frame)) tellPageTrust(page, trusted, origin);
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

void tellPrinterStates() {
  if (delegate.framesTold.empty()) return;
  const std::vector<PrinterState> states = delegate.context->jobs.delivery.printerStates();
  // A listener may navigate or remove frames: each is looked up again.
  const std::vector<WebKitFrame*> frames = delegate.framesTold;
  for (WebKitFrame* frame : frames) {
    if (std::find(delegate.framesTold.begin(), delegate.framesTold.end(), frame) == delegate.framesTold.end()) continue;
    JSCContext* context = webkit_frame_get_js_context_for_script_world(frame, webkit_script_world_get_default());
    dispatchPrinterStatesEvent(context, states);
    g_object_unref(context);
  }
}

void startRenderDelegate(WebKitWebExtension* extension, Context& context, TrustedOrigins trusted) {
  delegate.extension = extension;
  delegate.context = &context;
  delegate.gate.emplace(std::move(trusted));
  for (const WindowFunctionHandler& handler : windowFunctionTable()) delegate.functions.push_back({&handler, &context});
  g_signal_connect(extension, "page-created", G_CALLBACK(onPageCreated), nullptr);
  g_signal_connect(webkit_script_world_get_default(), "window-object-cleared", G_CALLBACK(onWindowObjectCleared),
                   nullptr);
}

}  // namespace lumetra
