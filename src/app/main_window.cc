#include "app/main_window.h"

#include "app/primary_screen.h"
#include "app/shell_settings.h"

namespace lumetra::shell {

GtkWindow* createMainWindow() {
  GtkWindow* window = GTK_WINDOW(gtk_window_new(GTK_WINDOW_TOPLEVEL));
  gtk_window_set_title(window, kMainWindowTitle);
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  gtk_window_set_wmclass(window, "lumetra", kMainWindowClass);
  G_GNUC_END_IGNORE_DEPRECATIONS
  gtk_window_set_decorated(window, FALSE);
  const GdkRectangle screen = primaryScreen();
  gtk_window_move(window, 0, 0);
  gtk_window_set_default_size(window, screen.width, screen.height);
  return window;
}

void showMinimised(GtkWindow* window) {
  gtk_window_iconify(window);
  gtk_widget_show(GTK_WIDGET(window));
}

void showMaximised(GtkWindow* window) {
  gtk_window_deiconify(window);
  gtk_window_maximize(window);
  gtk_window_present(window);
}

}  // namespace lumetra::shell
