#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "base/mutex.h"
#include "platform/desktop/dialogs.h"
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

// How many printers the registry remembers: many times a shop's queues, and
// a bound on a page that names ever new printers (a fresh queue name per
// task) instead of a web process that grows with each name.
inline constexpr std::size_t kMaxPrinterSessions = 256;

// ESC p: pulse drawer pin m for t1 on, t2 off. One for all printers,
// deliberately not per model: pages set the pulse once for the shop's drawer.
using CashDrawerCommand = std::array<std::uint8_t, 5>;
inline constexpr CashDrawerCommand kDefaultCashDrawerCommand{0x1B, 0x70, 0x01, 0x32, 0x32};

// The printers of one web process and what reaches them: the state every
// printing function shares, owned by the process's context.
//
// Two locks, always taken in this order:
// - outputLock: one output sequence at a time (a window function's writes,
//   a task list, a kitchen run, a retry pass), so that the page's thread and
//   the retry thread never mix their bytes on a printer. Held across
//   connects and writes; never while a message box is shown.
// - printerLock: the sessions and command tables. Held only to read or
//   change them: never across a connect, a write or a message box.
struct Printers {
  Printers(platform::Spooler& spooler, platform::Dialogs& dialogs) : spooler(spooler), dialogs(dialogs) {}
  Printers(const Printers&) = delete;
  Printers& operator=(const Printers&) = delete;

  platform::Spooler& spooler;
  platform::Dialogs& dialogs;  // shown only with neither lock held

  Mutex outputLock;
  Mutex printerLock ACQUIRED_AFTER(outputLock);
  // Entries are created when a printer is opened or given a model, never
  // dropped to make room, and removed only by closeCurPrinter.
  PrinterRegistry registry GUARDED_BY(printerLock);
  bool registryFullTold GUARDED_BY(printerLock) = false;
  CashDrawerCommand cashDrawer GUARDED_BY(printerLock) = kDefaultCashDrawerCommand;
};

// The session for `name`; null when there is none.
PrinterSession* findSession(Printers& printers, std::u16string_view name) REQUIRES(printers.printerLock);

// The session for `name`, created with no handle, no model and an all-zero
// table when absent; null when absent and the registry holds
// kMaxPrinterSessions printers already (stderr says so once). Pointers stay
// valid until the entry is removed.
PrinterSession* findOrCreateSession(Printers& printers, const std::u16string& name) REQUIRES(printers.printerLock);

// The command table of all network (kitchen) printers, which is always
// there, whatever the registry holds.
PrinterModelConfig& kitchenCommands(Printers& printers) REQUIRES(printers.printerLock);

// The name of the session that holds the command table for all network
// (kitchen) printers.
inline constexpr char16_t kKitchenPrinterName[] = u"MULTIKITCHEN";

}  // namespace lumetra
