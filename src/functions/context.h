#pragma once

#include <optional>
#include <string_view>

#include "handover/print_jobs.h"
#include "net/net_printer_slots.h"
#include "platform/desktop/dialogs.h"
#include "platform/print/spooler.h"
#include "platform/process/processes.h"
#include "printer/printers.h"
#include "serial/customer_display.h"

namespace lumetra {

// Everything the window functions of one web process share, created by the
// web extension at start-up (tests build their own) and handed to every
// call. The spooler and the dialogs are the host's; the rest is owned here.
class Context {
 public:
  Context(platform::Spooler& spooler, platform::Dialogs& dialogs);
  Context(const Context&) = delete;
  Context& operator=(const Context&) = delete;

  Printers printers;
  NetworkPrinters network{printers};
  CustomerDisplay display;
  // The companion script, once started; another starts only after it has
  // ended. Touched by the page's thread only.
  std::optional<platform::ProcessId> nodeScript;
  // Last, so that its delivery threads stop before anything they use goes.
  PrintJobs jobs{network};
};

// A message box for the staff, shown with no lock held.
void tellStaff(Context& context, std::string_view caption, std::string_view text)
    EXCLUDES(context.printers.outputLock(), context.printers.printerLock());

}  // namespace lumetra
