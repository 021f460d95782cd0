#pragma once

#include <gtk/gtk.h>

namespace lumetra::shell {

// The main window: borderless, over the whole primary screen, titled
// "Lumetra" until its page sets a title, created minimised. Not yet shown.
GtkWindow* createMainWindow();

// Shows it minimised; the splash maximises it later.
void showMinimised(GtkWindow* window);

// Restores, maximises and raises it, whatever title its page gave it.
void showMaximised(GtkWindow* window);

}  // namespace lumetra::shell
