#pragma once

#include <cstdint>
#include <string>

#include "platform/print/spooler.h"
#include "printer/printers.h"

namespace lumetra {

enum class DocumentStart { started, documentRefused, pageRefused };

struct DocumentStartResult {
  DocumentStart outcome;
  std::uint32_t error = 0;  // the spooler's reason when refused
};

// Starts a raw document "My Document" and its page on `handle`, the open
// handle of `name`'s session. When the spooler refuses either, whatever was
// started is ended and the printer closed (its session then not open).
DocumentStartResult startSpoolerDocument(Printers& printers, const std::u16string& name, platform::PrinterHandle handle)
    REQUIRES(printers.outputLock()) EXCLUDES(printers.printerLock());

// Ends the page and the document and closes the printer, in every case; the
// session is then not open. True when page and document ended cleanly.
bool endSpoolerDocument(Printers& printers, const std::u16string& name, platform::PrinterHandle handle)
    REQUIRES(printers.outputLock()) EXCLUDES(printers.printerLock());

}  // namespace lumetra
