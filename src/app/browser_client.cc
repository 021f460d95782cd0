#include "app/browser_client.h"

#include <cstdio>
#include <cstdlib>

#include "app/error_page.h"
#include "app/notice/printer_notice.h"
#include "base/log.h"
#include "base/process_messages.h"

namespace lumetra::shell {
namespace {

// A page that kills its web process on every load must not keep the shell
// reloading it for ever.
constexpr int kMaxReloadsWithoutLoad = 3;
constexpr const char* kReloadsKey = "lumetra-reloads";
// Set on a view while the web extension reports its main document trusted.
constexpr const char* kTrustedPageKey = "lumetra-trusted-page";

LoadFailure::Kind failureKind(const GError* error) {
  if (g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED) ||
      g_error_matches(error, WEBKIT_POLICY_ERROR, WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE)) {
    return LoadFailure::Kind::aborted;
  }
  if (g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_UNKNOWN_PROTOCOL)) {
    return LoadFailure::Kind::unknownScheme;
  }
  return LoadFailure::Kind::other;
}

gboolean onContextMenu(WebKitWebView*, WebKitContextMenu*, GdkEvent*, WebKitHitTestResult*, gpointer) { return TRUE; }

// The till's location is for the shop's own pages. A frame of another
// origin inside a trusted page is kept from asking by WebKit's own
// permissions policy, unless the page lets it.
gboolean onPermissionRequest(WebKitWebView* view, WebKitPermissionRequest* request, gpointer) {
  if (!WEBKIT_IS_GEOLOCATION_PERMISSION_REQUEST(request)) return FALSE;
  if (g_object_get_data(G_OBJECT(view), kTrustedPageKey)) {
    webkit_permission_request_allow(request);
  } else {
    webkit_permission_request_deny(request);
  }
  return TRUE;
}

}  // namespace

BrowserClient::BrowserClient(WebSetup setup, std::filesystem::path startupDirectory, LogRotation consoleLogRotation,
                             CertificateJudge certificateJudge)
    : setup_(setup),
      consoleLog_(std::move(startupDirectory), consoleLogRotation),
      certificates_(setup.context, std::move(certificateJudge), printerNotice_) {
  const char* trace = std::getenv("LUMETRA_TRACE_MESSAGES");
  traceMessages_ = trace && *trace && std::string_view(trace) != "0";
  if (traceMessages_) printerNotice_.traceChanges();
  printerNotice_.sendActionsWith([this](GVariant* parameters) { sendToMainPage(kPrinterActionMessage, parameters); });
}

// The main view's page runs the delivery that holds the printers' tickets.
void BrowserClient::sendToMainPage(std::string_view name, GVariant* parameters) {
  if (!mainView_) {
    g_variant_unref(g_variant_ref_sink(parameters));
    logf(LogLevel::warning, "no page to send %s to", std::string(name).c_str());
    return;
  }
  webkit_web_view_send_message_to_page(mainView_, webkit_user_message_new(std::string(name).c_str(), parameters),
                                       nullptr, nullptr, nullptr);
}

void BrowserClient::createMainBrowser(GtkWindow* window, const std::string& url) {
  mainWindow_ = window;
  printerNotice_.keepAbove(window);
  mainView_ = newView(nullptr);
  gtk_container_add(GTK_CONTAINER(window), GTK_WIDGET(mainView_));
  g_signal_connect(window, "delete-event", G_CALLBACK(onWindowDelete), mainView_);
  gtk_widget_show(GTK_WIDGET(mainView_));
  webkit_web_view_load_uri(mainView_, url.c_str());
}

WebKitWebView* BrowserClient::newView(WebKitWebView* related) {
  auto* view =
      WEBKIT_WEB_VIEW(related ? webkit_web_view_new_with_related_view(related)
                              : g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", setup_.context, "settings",
                                             setup_.settings, "user-content-manager", setup_.content, nullptr));
  ++browserCount_;
  g_signal_connect(view, "destroy", G_CALLBACK(onViewDestroyed), this);
  g_signal_connect(view, "close", G_CALLBACK(onViewClose), this);
  g_signal_connect(view, "create", G_CALLBACK(onCreate), this);
  g_signal_connect(view, "ready-to-show", G_CALLBACK(onReadyToShow), this);
  g_signal_connect(view, "notify::title", G_CALLBACK(onTitleChanged), this);
  g_signal_connect(view, "user-message-received", G_CALLBACK(onUserMessage), this);
  g_signal_connect(view, "load-failed", G_CALLBACK(onLoadFailed), this);
  g_signal_connect(view, "load-changed", G_CALLBACK(onLoadChanged), this);
  g_signal_connect(view, "web-process-terminated", G_CALLBACK(onWebProcessTerminated), this);
  g_signal_connect(view, "context-menu", G_CALLBACK(onContextMenu), nullptr);
  g_signal_connect(view, "permission-request", G_CALLBACK(onPermissionRequest), nullptr);
  certificates_.watch(view);
  return view;
}

void BrowserClient::onViewDestroyed(GtkWidget* view, gpointer client) {
  auto* self = static_cast<BrowserClient*>(client);
  if (WEBKIT_WEB_VIEW(view) == self->mainView_) self->mainView_ = nullptr;
  if (--self->browserCount_ == 0) gtk_main_quit();
}

// The window stays until its page has run its unload handling and agreed
// to close ("close" below).
gboolean BrowserClient::onWindowDelete(GtkWidget*, GdkEvent*, gpointer view) {
  webkit_web_view_try_close(WEBKIT_WEB_VIEW(view));
  return TRUE;
}

void BrowserClient::onViewClose(WebKitWebView* view, gpointer) {
  GtkWidget* window = gtk_widget_get_toplevel(GTK_WIDGET(view));
  gtk_widget_destroy(gtk_widget_is_toplevel(window) ? window : GTK_WIDGET(view));
}

void BrowserClient::onTitleChanged(WebKitWebView* view, GParamSpec*, gpointer) {
  GtkWidget* window = gtk_widget_get_toplevel(GTK_WIDGET(view));
  if (!gtk_widget_is_toplevel(window)) return;
  const char* title = webkit_web_view_get_title(view);
  gtk_window_set_title(GTK_WINDOW(window), title ? title : "");
}

gboolean BrowserClient::onUserMessage(WebKitWebView* view, WebKitUserMessage* message, gpointer client) {
  auto* self = static_cast<BrowserClient*>(client);
  const std::string_view name = webkit_user_message_get_name(message);
  GVariant* parameters = webkit_user_message_get_parameters(message);
  if (name == kConsoleMessage && parameters && g_variant_is_of_type(parameters, G_VARIANT_TYPE("(ssu)"))) {
    const char* text = nullptr;
    const char* source = nullptr;
    guint32 line = 0;
    g_variant_get(parameters, "(&s&su)", &text, &source, &line);
    self->consoleLog_.append(text, source, line);
    return TRUE;
  }
  if (name == kPrinterBacklogMessage && self->printerNotice_.showMessage(parameters)) return TRUE;
  if (name == kPageTrustMessage && parameters && g_variant_is_of_type(parameters, G_VARIANT_TYPE(kPageTrustType))) {
    self->notePageTrust(view, parameters);
    return TRUE;
  }
  if (name == kFocusedNodeChangedMessage) {
    if (self->traceMessages_ && parameters && g_variant_is_of_type(parameters, G_VARIANT_TYPE_BOOLEAN)) {
      logf(LogLevel::info, "message %s %s", name.data(), g_variant_get_boolean(parameters) ? "true" : "false");
    }
    return TRUE;
  }
  return FALSE;
}

void BrowserClient::notePageTrust(WebKitWebView* view, GVariant* parameters) {
  gboolean trusted = FALSE;
  const char* origin = nullptr;
  g_variant_get(parameters, "(b&s)", &trusted, &origin);
  g_object_set_data(G_OBJECT(view), kTrustedPageKey, GINT_TO_POINTER(trusted));
  if (view == mainView_) printerNotice_.showPageLine(trusted ? "" : untrustedPageLine(origin));
}

gboolean BrowserClient::onLoadFailed(WebKitWebView* view, WebKitLoadEvent, const char* uri, GError* error,
                                     gpointer client) {
  // A till whose start page is missing must say why it shows an error.
  if (view == static_cast<BrowserClient*>(client)->mainView_ && failureKind(error) != LoadFailure::Kind::aborted) {
    logf(LogLevel::error, "cannot load %s: %s", uri ? uri : "", error->message);
  }
  const char* current = webkit_web_view_get_uri(view);
  const auto page =
      errorPageFor({failureKind(error), error->code, error->message, uri ? uri : "", current ? current : ""});
  if (!page) return FALSE;
  webkit_web_view_load_alternate_html(view, page->c_str(), uri, nullptr);
  return TRUE;
}

void BrowserClient::onLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer) {
  if (event == WEBKIT_LOAD_FINISHED) g_object_set_data(G_OBJECT(view), kReloadsKey, nullptr);
}

// A till must not stay blank: a page whose web process died comes back.
// The tickets that process had waiting are reported by its successor, which
// takes them over from the journal.
void BrowserClient::onWebProcessTerminated(WebKitWebView* view, WebKitWebProcessTerminationReason reason,
                                           gpointer client) {
  static_cast<BrowserClient*>(client)->printerNotice_.clearPrinters();
  if (reason == WEBKIT_WEB_PROCESS_TERMINATED_BY_API) return;
  const char* uri = webkit_web_view_get_uri(view);
  const int reloads = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(view), kReloadsKey));
  if (reloads >= kMaxReloadsWithoutLoad) {
    logf(LogLevel::warning, "web process of %s terminated again; giving up reloading", uri ? uri : "");
    return;
  }
  logf(LogLevel::warning, "web process of %s %s; reloading", uri ? uri : "",
       reason == WEBKIT_WEB_PROCESS_CRASHED ? "crashed" : "ran out of memory");
  g_object_set_data(G_OBJECT(view), kReloadsKey, GINT_TO_POINTER(reloads + 1));
  webkit_web_view_reload(view);
}

}  // namespace lumetra::shell
