#pragma once

#include <map>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/spooler.h"
#include "printer/printer_model_config.h"

namespace lumetra {

// Everything remembered about one printer between window function calls.
struct PrinterSession {
  platform::PrinterHandle handle = platform::kNoPrinterHandle;
  std::u16string modelName;  // set by the functions that attach a model
  PrinterModelConfig commands;

  bool isOpen() const { return handle != platform::kNoPrinterHandle; }
};

// CUPS matches queue names without regard to ASCII letter case, so "Bar" and
// "bar" are one printer here too (one session, one open job), not two
// sessions writing to one queue. Ordered by UTF-16 code unit with ASCII
// letters folded (a proper prefix first).
struct QueueNameLess {
  bool operator()(std::u16string_view a, std::u16string_view b) const;
  using is_transparent = void;
};

// Printer name -> session; the first spelling used stays the key.
using PrinterRegistry = std::map<std::u16string, PrinterSession, QueueNameLess>;

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
