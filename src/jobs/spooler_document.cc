#include "jobs/spooler_document.h"

#include "printer/session_handle.h"

namespace lumetra {

using platform::spooler;

const platform::DocumentInfo& sharedDocumentInfo() {
  static const platform::DocumentInfo info;
  return info;
}

DocumentStartResult startSpoolerDocument(PrinterSession& session) {
  if (spooler().startDocument(session.handle, sharedDocumentInfo()) == 0) {
    const std::uint32_t error = spooler().lastError();
    closeSessionHandle(session);
    return {DocumentStart::documentRefused, error};
  }
  if (!spooler().startPage(session.handle)) {
    const std::uint32_t error = spooler().lastError();
    spooler().endDocument(session.handle);
    closeSessionHandle(session);
    return {DocumentStart::pageRefused, error};
  }
  return {DocumentStart::started};
}

bool endSpoolerDocument(PrinterSession& session) {
  // The document is ended even when its page could not be.
  const bool pageEnded = spooler().endPage(session.handle);
  const bool documentEnded = spooler().endDocument(session.handle);
  closeSessionHandle(session);
  return pageEnded && documentEnded;
}

}  // namespace lumetra
