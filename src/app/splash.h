#pragma once

#include <gtk/gtk.h>

#include <functional>

#include "platform/desktop/dialogs.h"

namespace lumetra::shell {

// The start-up picture, centred on the primary screen and never larger than
// it. It closes by itself after five seconds; half a second after it closes
// `maximise` runs (the shell's own main window, or the running instance's).
class Splash {
 public:
  explicit Splash(std::function<void()> maximise) : maximise_(std::move(maximise)) {}
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
  std::function<void()> maximise_;
  std::function<void()> done_;
};

}  // namespace lumetra::shell
