#pragma once

#include <webkit2/webkit-web-extension.h>

#include "base/trusted_origins.h"
#include "functions/context.h"

namespace lumetra {

// The web process side of the shell: gives every script context of every
// page whose document's origin is trusted its window functions and runs
// the context release steps for them, reports focus changes, console
// messages, printer backlogs and the trust of each page's main document to
// the UI process and receives its messages.
void startRenderDelegate(WebKitWebExtension* extension, Context& context, TrustedOrigins trusted);

}  // namespace lumetra
