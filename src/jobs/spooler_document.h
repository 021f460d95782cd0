#pragma once

#include <cstdint>

#include "platform/print/spooler.h"
#include "printer/printer_registry.h"

namespace lumetra {

// The description every spooler document Lumetra starts carries: "My
// Document", raw bytes, no output file.
const platform::DocumentInfo& sharedDocumentInfo();

enum class DocumentStart { started, documentRefused, pageRefused };

struct DocumentStartResult {
  DocumentStart outcome;
  std::uint32_t error = 0;  // the spooler's reason when refused
};

// Starts a document and its page on the session's open handle. When the
// spooler refuses either, whatever was started is ended, the handle closed
// and the session marked not open.
DocumentStartResult startSpoolerDocument(PrinterSession& session);

// Ends the page and the document and closes the handle, in every case; the
// session is then not open. True when page and document ended cleanly.
bool endSpoolerDocument(PrinterSession& session);

}  // namespace lumetra
