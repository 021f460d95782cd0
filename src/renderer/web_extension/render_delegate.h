#pragma once

#include <webkit2/webkit-web-extension.h>

#include "functions/context.h"

namespace lumetra {

// The web process side of the shell: gives every script context of every
// page its window functions, runs the context release steps, reports focus
// changes, console messages and printer backlogs to the UI process and
// receives its messages.
void startRenderDelegate(WebKitWebExtension* extension, Context& context);

// Main thread: dispatches the printers' state now to every script context
// that was given the window functions (docs/window-api.md).
void tellPrinterStates();

}  // namespace lumetra
