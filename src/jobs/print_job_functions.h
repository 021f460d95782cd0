#pragma once

#include "base/call_frame.h"

namespace lumetra {

// A receipt on a spooler printer is one document: startPrintTask(name),
// any of the direct printer functions, endPrintTask(name). All three hold
// printerLock for the whole call and take exactly the arguments shown.

// startPrintTask(name): opens the printer unless its session already holds
// a handle, then starts a document and a page. Failures are told to the
// user in a message box; true when the document and page were started.
CallResult startPrintTask(const CallArguments& arguments);

// endPrintTask(name): ends page and document and releases the printer in
// every case; true when both ended cleanly, false when it was not open.
CallResult endPrintTask(const CallArguments& arguments);

// printTagContent(name, text): plain command text for label printers, then
// CR LF, as two writes. An empty text sends a single NUL byte instead.
CallResult printTagContent(const CallArguments& arguments);

}  // namespace lumetra
