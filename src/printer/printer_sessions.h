#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/print/spooler.h"
#include "printer/printers.h"

namespace lumetra {

// Spooler handles of the printer sessions. The spooler is asked only
// within an output sequence, so no other sequence uses the handle
// meanwhile, and with printerLock released.

// Opens `name` on the spooler and makes it the session's handle (creating
// the session); a handle the session held before is closed, not leaked;
// when the open fails a known session is left not open. True when opened
// and remembered: with the registry full a new name is closed again.
bool openPrinterSession(Printers& printers, const std::u16string& name) REQUIRES(printers.outputLock())
    EXCLUDES(printers.printerLock());

// The session's handle (no handle when not open or not known).
platform::PrinterHandle sessionHandle(Printers& printers, const std::u16string& name) EXCLUDES(printers.printerLock());

// Closes the session's handle, if any, and marks it not open. With
// `forget`, an open session goes too (closeCurPrinter); otherwise its model
// name and table stay.
void closePrinterSession(Printers& printers, const std::u16string& name, bool forget) REQUIRES(printers.outputLock())
    EXCLUDES(printers.printerLock());

// Closes every open printer; sessions, models and tables stay.
void closeAllPrinterSessions(Printers& printers) REQUIRES(printers.outputLock()) EXCLUDES(printers.printerLock());

// One write of the output sequence to an open printer.
void writeToPrinter(Printers& printers, platform::PrinterHandle handle, std::string_view bytes)
    REQUIRES(printers.outputLock()) EXCLUDES(printers.printerLock());

// False when the spooler reports that the printer cannot print now (or one
// of its jobs is blocked) and when the spooler cannot be reached at all;
// true when it cannot tell otherwise (a printer not open yet).
bool printerCanPrint(platform::Spooler& spooler, platform::PrinterHandle handle);

// Fax and Microsoft pseudo printers, which pages are not shown.
bool isPseudoPrinter(const std::u16string& name);

}  // namespace lumetra
