#include "jobs/print_job_functions.h"

#include <mutex>
#include <string>

#include "jobs/spooler_document.h"
#include "platform/desktop/dialogs.h"
#include "base/utf.h"
#include "printer/ansi_text.h"
#include "printer/printer_registry.h"
#include "printer/session_handle.h"

namespace lumetra {

using platform::spooler;

CallResult startPrintTask(const CallArguments& arguments) {
  std::lock_guard lock(printerLock());
  if (arguments.count() != 1) return CallResult::boolean(false);
  const std::u16string name = arguments.string(0);
  PrinterSession& session = findOrCreateSession(name);
  if (!session.isOpen() && !openSessionHandle(session, name)) {
    platform::showDialog(base::utf16ToUtf8(name), "开启打印机失败！");
    return CallResult::boolean(false);
  }
  const DocumentStartResult start = startSpoolerDocument(session);
  switch (start.outcome) {
    case DocumentStart::documentRefused:
      platform::showDialog("StartDocPrinter", std::to_string(start.error));
      return CallResult::boolean(false);
    case DocumentStart::pageRefused:
      platform::showDialog("StartPagePrinter", std::to_string(start.error));
      return CallResult::boolean(false);
    case DocumentStart::started:
      break;
  }
  return CallResult::boolean(true);
}

CallResult endPrintTask(const CallArguments& arguments) {
  std::lock_guard lock(printerLock());
  if (arguments.count() != 1) return CallResult::boolean(false);
  PrinterSession& session = findOrCreateSession(arguments.string(0));
  if (!session.isOpen()) return CallResult::boolean(false);
  return CallResult::boolean(endSpoolerDocument(session));
}

CallResult printTagContent(const CallArguments& arguments) {
  std::lock_guard lock(printerLock());
  if (arguments.count() != 2) return CallResult::boolean(false);
  const PrinterSession& session = findOrCreateSession(arguments.string(0));
  if (!session.isOpen()) return CallResult::boolean(false);
  const std::u16string text = arguments.string(1);
  const std::string bytes = toAnsiBytes(text);
  // An empty text still goes out as one byte, a NUL, as label set-ups in
  // the field have always received it.
  spooler().write(session.handle, text.empty() ? std::string_view("\0", 1) : bytesUpToNul(bytes));
  spooler().write(session.handle, "\r\n");
  return CallResult::boolean(true);
}

}  // namespace lumetra
