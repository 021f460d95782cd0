#pragma once

#include <gtk/gtk.h>

#include <functional>

#include "platform/desktop/dialogs.h"

namespace lumetra::shell {

// The start-up picture, centred on the primary screen. It closes by itself
// after five seconds; closing it maximises, half a second later, the window
// titled "Velmora" (the main window once the start page has set its title,
// in this process or in the instance that is already running).
class Splash {
 public:
  Splash() = default;
  Splash(const Splash&) = delete;
  Splash& operator=(const Splash&) = delete;
  ~Splash();

  // Shows it; false after showing the failure message.
  bool show(platform::Dialogs& dialogs);
  // Closes it now, unless it is closed already.
  void close();
  // Runs `done` once the close has finished its maximising (at once if it
  // has); the splash must outlive the wait.
  void whenFinished(std::function<void()> done);

 private:
  static gboolean onTimeout(gpointer splash);
  static gboolean onMaximiseDue(gpointer splash);
  void finish();

  GtkWidget* window_ = nullptr;
  guint closeTimer_ = 0;
  guint maximiseTimer_ = 0;
  bool finished_ = false;
  std::function<void()> done_;
};

}  // namespace lumetra::shell
