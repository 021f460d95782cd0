#include "printer/session_handle.h"

#include "platform/print/spooler.h"

namespace lumetra {

bool openSessionHandle(PrinterSession& session, const std::u16string& name) {
  const std::optional<platform::PrinterHandle> opened = platform::spooler().open(name);
  closeSessionHandle(session);
  if (opened) session.handle = *opened;
  return opened.has_value();
}

void closeSessionHandle(PrinterSession& session) {
  if (!session.isOpen()) return;
  platform::spooler().close(session.handle);
  session.handle = platform::kNoPrinterHandle;
}

}  // namespace lumetra
