#pragma once

#include <map>
#include <mutex>
#include <string>

#include "platform/print/spooler.h"
#include "printer/printer_model_config.h"

namespace lumetra {

// Everything remembered about one printer between window function calls.
struct PrinterSession {
  platform::PrinterHandle handle = platform::kNoPrinterHandle;
  std::u16string modelName;  // set by the functions that attach a model
  PrinterModelConfig commands;

  bool isOpen() const { return handle != platform::kNoPrinterHandle; }
};

// Printer name -> session, ordered by UTF-16 code unit (a proper prefix
// first). Names that differ only in case are different printers.
using PrinterRegistry = std::map<std::u16string, PrinterSession>;

// The web process's one registry. Entries are created by the first lookup of
// a name and removed only by closeCurPrinter.
PrinterRegistry& printerRegistry();

// The session for `name`, created with no handle, no model and an all-zero
// table when absent. References stay valid until the entry is removed.
PrinterSession& findOrCreateSession(const std::u16string& name);
platform::PrinterHandle sessionHandle(const std::u16string& name);
// Marks the session not open; the caller has already closed the handle.
void markSessionClosed(const std::u16string& name);

// The name of the session that holds the command table for all network
// (kitchen) printers.
inline constexpr char16_t kKitchenPrinterName[] = u"MULTIKITCHEN";

// Serialises all output to printers, the serial port and the kitchen list.
// Recursive: a function holding it may call helpers that take it again.
std::recursive_mutex& printerLock();

}  // namespace lumetra
