#include "app/primary_screen.h"

namespace lumetra::shell {
namespace {

GdkMonitor* primaryMonitor() {
  GdkDisplay* display = gdk_display_get_default();
  if (!display) return nullptr;
  GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
  return monitor ? monitor : gdk_display_get_monitor(display, 0);
}

}  // namespace

GdkRectangle primaryScreen() {
  GdkRectangle area{0, 0, 0, 0};
  if (GdkMonitor* monitor = primaryMonitor()) gdk_monitor_get_geometry(monitor, &area);
  return area;
}

GdkRectangle primaryWorkArea() {
  GdkRectangle area{0, 0, 0, 0};
  if (GdkMonitor* monitor = primaryMonitor()) gdk_monitor_get_workarea(monitor, &area);
  return area;
}

}  // namespace lumetra::shell
