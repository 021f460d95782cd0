#pragma once

#include <string>

#include "printer/printer_registry.h"

namespace lumetra {

// Opens the spooler printer `name` into its session. A handle the session
// held before is closed, not leaked; when the open fails the session is left
// not open. True when the printer was opened.
bool openSessionHandle(PrinterSession& session, const std::u16string& name);

// Closes the session's handle, if any, and marks the session not open. Its
// model name and command table stay.
void closeSessionHandle(PrinterSession& session);

}  // namespace lumetra
