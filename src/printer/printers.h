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
// Two locks, taken only through the scopes below, always in this order:
// - outputLock (OutputSequence): one output sequence at a time (a window
//   function's writes, a task list, a kitchen run), so that no two mix
//   their bytes on a printer. Held across connects and writes; never while
//   a message box is shown.
// - printerLock (PrinterTables): the sessions and command tables. Held only
//   to read or change them: never across a connect, a write or a message
//   box. Functions that reach a printer say so with
//   EXCLUDES(printers.printerLock()).
class Printers {
 public:
  Printers(platform::Spooler& spooler, platform::Dialogs& dialogs) : spooler(spooler), dialogs(dialogs) {}
  Printers(const Printers&) = delete;
  Printers& operator=(const Printers&) = delete;

  platform::Spooler& spooler;
  platform::Dialogs& dialogs;  // shown only with neither lock held

  // The locks as annotations name them (GUARDED_BY, REQUIRES, EXCLUDES);
  // a const Mutex cannot be taken, so only the scopes below take them.
  const Mutex& outputLock() const RETURN_CAPABILITY(outputLock_) { return outputLock_; }
  const Mutex& printerLock() const RETURN_CAPABILITY(printerLock_) { return printerLock_; }

 private:
  friend class OutputSequence;
  friend class PrinterTables;

  Mutex outputLock_;
  Mutex printerLock_ ACQUIRED_AFTER(outputLock_);
  // Entries are created when a printer is opened or given a model, never
  // dropped to make room, and removed only by closeCurPrinter.
  PrinterRegistry registry_ GUARDED_BY(printerLock_);
  bool registryFullTold_ GUARDED_BY(printerLock_) = false;
  CashDrawerCommand cashDrawer_ GUARDED_BY(printerLock_) = kDefaultCashDrawerCommand;
};

// One output sequence: holds outputLock for its scope. Never started with
// the tables held, which would invert the order.
class SCOPED_CAPABILITY OutputSequence {
 public:
  explicit OutputSequence(Printers& printers) ACQUIRE(printers.outputLock()) EXCLUDES(printers.printerLock())
      : printers_(printers) {
    printers.outputLock_.lock();
  }
  ~OutputSequence() RELEASE() { printers_.outputLock_.unlock(); }
  OutputSequence(const OutputSequence&) = delete;
  OutputSequence& operator=(const OutputSequence&) = delete;

 private:
  Printers& printers_;
};

// The sessions, command tables and drawer pulse, held (printerLock) for the
// scope. References it hands out are to be used within the scope only.
class SCOPED_CAPABILITY PrinterTables {
 public:
  explicit PrinterTables(Printers& printers) ACQUIRE(printers.printerLock()) : printers_(printers) {
    printers.printerLock_.lock();
  }
  ~PrinterTables() RELEASE() { printers_.printerLock_.unlock(); }
  PrinterTables(const PrinterTables&) = delete;
  PrinterTables& operator=(const PrinterTables&) = delete;

  // The session for `name`; null when there is none.
  PrinterSession* find(std::u16string_view name);
  // The session for `name`, created with no handle, no model and an
  // all-zero table when absent; null when absent and the registry holds
  // kMaxPrinterSessions printers already (stderr says so once). Pointers
  // stay valid until the entry is removed.
  PrinterSession* session(const std::u16string& name);
  // Every session, for a walk over them or to forget one.
  PrinterRegistry& sessions();
  // The command table of all network (kitchen) printers, which is always
  // there, whatever the registry holds.
  PrinterModelConfig& kitchenCommands();
  CashDrawerCommand& cashDrawer();

 private:
  Printers& printers_;
};

// The name of the session that holds the command table for all network
// (kitchen) printers.
inline constexpr char16_t kKitchenPrinterName[] = u"MULTIKITCHEN";

}  // namespace lumetra
