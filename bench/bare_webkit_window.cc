// The start-up benchmark's peer: WebKitGTK alone, the least a shell built on
// it can do to show a page (a window holding one web view, hardware
// acceleration off as in Lumetra, no web extension, no settings, no splash).
// The page's titles go to stdout, where shell_bench reads the time its
// first script ran.
//   bare_webkit_window URI
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <cstdio>

namespace {

void printTitle(WebKitWebView* view, GParamSpec*, gpointer) {
  if (const char* title = webkit_web_view_get_title(view)) {
    std::printf("%s\n", title);
    std::fflush(stdout);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || !gtk_init_check(&argc, &argv)) return 2;
  WebKitSettings* settings = webkit_settings_new_with_settings("hardware-acceleration-policy",
                                                               WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER, nullptr);
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  GtkWidget* view = webkit_web_view_new_with_settings(settings);
  g_object_unref(settings);
  gtk_container_add(GTK_CONTAINER(window), view);
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
  g_signal_connect(view, "notify::title", G_CALLBACK(printTitle), nullptr);
  webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), argv[1]);
  gtk_widget_show_all(window);
  gtk_main();
  return 0;
}
