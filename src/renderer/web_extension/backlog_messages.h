#pragma once

#include <webkit2/webkit-web-extension.h>

#include "functions/context.h"

namespace lumetra {

// Passes the print engine's backlog reports on to the UI process, which
// shows the staff which printers have tickets waiting, and tells the pages
// and the metrics textfile when a printer's state changes. Call once at
// start-up, before the delivery starts and before any page exists; the
// newest report is kept until a page can carry it.
void startBacklogMessages(WebKitWebExtension* extension, Context& context);

// Every new page, oldest first: the first that is still alive carries the
// reports.
void addBacklogMessagePage(WebKitWebPage* page);

// Carries out a "lumetra.printer-action" message (what the staff asked in
// the notice); false for any other message. One that names no known action
// or printer is ignored with a line on stderr.
bool actOnPrinterMessage(Context& context, WebKitUserMessage* message);

}  // namespace lumetra
