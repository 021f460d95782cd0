#pragma once

#include <jsc/jsc.h>

#include <vector>

#include "delivery/printer_state.h"
#include "functions/context.h"

namespace lumetra {

// The name of the window event, and of the function, that tell the page
// its printers' state (docs/window-api.md).
inline constexpr char kPrinterStatesEvent[] = "lumetraprinters";
inline constexpr char kPrinterStatesFunction[] = "lumetraPrinters";

// The states as the page reads them: an array of objects {printer, kind,
// waiting, oldest, reason, condition, delivered, failed} (transfer full).
JSCValue* printerStatesValue(JSCContext* context, const std::vector<PrinterState>& states);

// Sets window.lumetraPrinters(), which returns the states of `jobs` now.
// `jobs` must outlive the JS context.
void installPrinterStatesFunction(JSCContext* context, PrintJobs& jobs);

// Dispatches the `lumetraprinters` CustomEvent on the context's window,
// its detail the states. Runs the page's listeners before it returns.
void dispatchPrinterStatesEvent(JSCContext* context, const std::vector<PrinterState>& states);

}  // namespace lumetra
