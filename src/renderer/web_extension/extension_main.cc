// Entry of the library WebKit loads into every web process of the shell.
#include <webkit2/webkit-web-extension.h>

#include "platform/print/cups_spooler.h"
#include "platform/desktop/dialogs.h"
#include "platform/desktop/helper_dialogs.h"
#include "renderer/web_extension/render_delegate.h"

extern "C" G_MODULE_EXPORT void webkit_web_extension_initialize(WebKitWebExtension* extension) {
  // The web process has no display of its own to show message boxes on.
  static lumetra::platform::HelperDialogs dialogs;
  lumetra::platform::installDialogs(&dialogs);
  lumetra::platform::installSpooler(&lumetra::platform::systemSpooler());
  lumetra::startRenderDelegate(extension);
}
