#include "app/splash.h"

#include <utility>

#include "app/primary_screen.h"
#include "app/shell_settings.h"
#include "app/splash_size.h"
#include "platform/desktop/dialogs.h"

namespace lumetra::shell {
namespace {

constexpr const char* kSplashResource = "/lumetra/app/splash.png";

void failWith(platform::Dialogs& dialogs, const char* text) {
  dialogs.show(kMessageCaption, text, platform::DialogButtons::ok);
}

}  // namespace

Splash::~Splash() {
  if (closeTimer_) g_source_remove(closeTimer_);
  if (maximiseTimer_) g_source_remove(maximiseTimer_);
  if (window_) gtk_widget_destroy(window_);
}

bool Splash::show(platform::Dialogs& dialogs) {
  GdkPixbuf* picture = gdk_pixbuf_new_from_resource(kSplashResource, nullptr);
  if (!picture) {
    failWith(dialogs, kSplashPictureFailedText);
    return false;
  }
  const GdkRectangle screen = primaryScreen();
  if (screen.width <= 0 || screen.height <= 0) {
    g_object_unref(picture);
    failWith(dialogs, kSplashWindowFailedText);
    return false;
  }
  const PictureSize size =
      fitInside({gdk_pixbuf_get_width(picture), gdk_pixbuf_get_height(picture)}, {screen.width, screen.height});
  if (size.width != gdk_pixbuf_get_width(picture) || size.height != gdk_pixbuf_get_height(picture)) {
    GdkPixbuf* scaled = gdk_pixbuf_scale_simple(picture, size.width, size.height, GDK_INTERP_BILINEAR);
    g_object_unref(picture);
    picture = scaled;
  }
  const int width = size.width;
  const int height = size.height;
  window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window_), kSplashTitle);
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  gtk_window_set_wmclass(GTK_WINDOW(window_), "lumetra-splash", kSplashWindowClass);
  G_GNUC_END_IGNORE_DEPRECATIONS
  gtk_window_set_decorated(GTK_WINDOW(window_), FALSE);
  gtk_window_set_type_hint(GTK_WINDOW(window_), GDK_WINDOW_TYPE_HINT_SPLASHSCREEN);
  gtk_window_set_resizable(GTK_WINDOW(window_), FALSE);
  gtk_window_move(GTK_WINDOW(window_), screen.x + (screen.width - width) / 2, screen.y + (screen.height - height) / 2);
  gtk_container_add(GTK_CONTAINER(window_), gtk_image_new_from_pixbuf(picture));
  g_object_unref(picture);
  gtk_widget_show_all(window_);
  closeTimer_ = g_timeout_add(kSplashMilliseconds, onTimeout, this);
  return true;
}

void Splash::close() {
  if (!window_) return;
  gtk_widget_destroy(window_);
  window_ = nullptr;
  if (closeTimer_) g_source_remove(closeTimer_);
  closeTimer_ = 0;
  maximiseTimer_ = g_timeout_add(kMaximiseDelayMilliseconds, onMaximiseDue, this);
}

void Splash::whenFinished(std::function<void()> done) {
  if (finished_ || (!window_ && !maximiseTimer_)) {
    done();
    return;
  }
  done_ = std::move(done);
}

gboolean Splash::onTimeout(gpointer splash) {
  auto* self = static_cast<Splash*>(splash);
  self->closeTimer_ = 0;
  self->close();
  return G_SOURCE_REMOVE;
}

gboolean Splash::onMaximiseDue(gpointer splash) {
  auto* self = static_cast<Splash*>(splash);
  self->maximiseTimer_ = 0;
  self->finish();
  return G_SOURCE_REMOVE;
}

void Splash::finish() {
  if (maximise_) maximise_();
  finished_ = true;
  if (done_) std::exchange(done_, nullptr)();
}

}  // namespace lumetra::shell
