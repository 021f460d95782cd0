#include "printer/spooler_document.h"

#include "printer/printer_sessions.h"

namespace lumetra {

DocumentStartResult startSpoolerDocument(Printers& printers, const std::u16string& name,
                                         platform::PrinterHandle handle) {
  platform::Spooler& spooler = printers.spooler;
  if (spooler.startDocument(handle, platform::DocumentInfo{}) == 0) {
    const std::uint32_t error = spooler.lastError();
    closePrinterSession(printers, name, false);
    return {DocumentStart::documentRefused, error};
  }
  if (!spooler.startPage(handle)) {
    const std::uint32_t error = spooler.lastError();
    spooler.endDocument(handle);
    closePrinterSession(printers, name, false);
    return {DocumentStart::pageRefused, error};
  }
  return {DocumentStart::started};
}

bool endSpoolerDocument(Printers& printers, const std::u16string& name, platform::PrinterHandle handle) {
  // The document is ended even when its page could not be.
  const bool pageEnded = printers.spooler.endPage(handle);
  const bool documentEnded = printers.spooler.endDocument(handle);
  closePrinterSession(printers, name, false);
  return pageEnded && documentEnded;
}

}  // namespace lumetra
