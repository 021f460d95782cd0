// Popups opened by pages: each gets its own window, placed once its target
// name is known.
#include <string>

#include "app/browser_client.h"
#include "app/popup_placement.h"
#include "app/primary_screen.h"

namespace lumetra::shell {
namespace {

constexpr const char* kOpenerKey = "lumetra-opener";
constexpr const char* kPlacedKey = "lumetra-placed";

// The opener can close before its popup is placed.
void rememberOpener(WebKitWebView* popup, WebKitWebView* opener) {
  auto* reference = g_new0(GWeakRef, 1);
  g_weak_ref_init(reference, opener);
  g_object_set_data_full(G_OBJECT(popup), kOpenerKey, reference, [](gpointer data) {
    g_weak_ref_clear(static_cast<GWeakRef*>(data));
    g_free(data);
  });
}

GtkWindow* openerWindow(WebKitWebView* popup) {
  auto* reference = static_cast<GWeakRef*>(g_object_get_data(G_OBJECT(popup), kOpenerKey));
  GObject* opener = reference ? static_cast<GObject*>(g_weak_ref_get(reference)) : nullptr;
  if (!opener) return nullptr;
  GtkWidget* window = gtk_widget_get_toplevel(GTK_WIDGET(opener));
  g_object_unref(opener);
  return gtk_widget_is_toplevel(window) ? GTK_WINDOW(window) : nullptr;
}

}  // namespace

GtkWidget* BrowserClient::onCreate(WebKitWebView* opener, WebKitNavigationAction*, gpointer client) {
  auto* self = static_cast<BrowserClient*>(client);
  WebKitWebView* popup = self->newView(opener);
  rememberOpener(popup, opener);
  // The window owns the view from now on; it is shown once placed.
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_container_add(GTK_CONTAINER(window), GTK_WIDGET(popup));
  g_signal_connect(window, "delete-event", G_CALLBACK(onWindowDelete), popup);
  return GTK_WIDGET(popup);
}

// The target name is not part of the navigation action for window.open(),
// so it is read from the new page's window.name.
void BrowserClient::onReadyToShow(WebKitWebView* popup, gpointer client) {
  if (g_object_get_data(G_OBJECT(popup), kPlacedKey)) return;
  g_object_set_data(G_OBJECT(popup), kPlacedKey, GINT_TO_POINTER(1));
  webkit_web_view_evaluate_javascript(popup, "window.name", -1, nullptr, nullptr, nullptr, onWindowNameRead, client);
}

void BrowserClient::onWindowNameRead(GObject* popup, GAsyncResult* result, gpointer client) {
  JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(popup), result, nullptr);
  std::string name;
  if (value && jsc_value_is_string(value)) {
    char* text = jsc_value_to_string(value);
    name = text;
    g_free(text);
  }
  if (value) g_object_unref(value);
  static_cast<BrowserClient*>(client)->showPopup(WEBKIT_WEB_VIEW(popup), name);
}

void BrowserClient::showPopup(WebKitWebView* popup, const std::string& targetName) {
  GtkWidget* toplevel = gtk_widget_get_toplevel(GTK_WIDGET(popup));
  if (!gtk_widget_is_toplevel(toplevel)) return;
  GtkWindow* window = GTK_WINDOW(toplevel);
  const GdkRectangle screen = primaryScreen();
  const PopupPlacement placement = placePopup(targetName, {screen.width, screen.height});
  gtk_window_set_decorated(window, placement.framed);
  if (placement.ownedByOpener) {
    gtk_window_set_transient_for(window, openerWindow(popup));
    gtk_window_set_destroy_with_parent(window, TRUE);
  }
  gtk_window_move(window, placement.x, placement.y);
  gtk_window_set_default_size(window, placement.width, placement.height);
  const char* title = webkit_web_view_get_title(popup);
  gtk_window_set_title(window, title && *title ? title : targetName.c_str());
  gtk_widget_show_all(toplevel);
  gtk_window_present(window);
  gtk_widget_grab_focus(GTK_WIDGET(popup));
}

}  // namespace lumetra::shell
