#pragma once

#include <gdk/gdk.h>

namespace lumetra::shell {

// The primary monitor's area (the first monitor when none is marked
// primary); all zero without a display.
GdkRectangle primaryScreen();
// The same monitor less the panels and docks the desktop keeps on it.
GdkRectangle primaryWorkArea();

}  // namespace lumetra::shell
