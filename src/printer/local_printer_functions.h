#pragma once

#include "base/call_frame.h"

namespace lumetra {

// The page's direct functions for spooler printers. Each names its printer
// first; naming a printer creates its session. The output functions hold
// printerLock for the whole call, send every command or text run as its own
// spooler write and give true when the printer was open, whatever the
// writes gave: bytes reach paper only inside startPrintTask/endPrintTask.

// getPrinterList(): the spooler's printer names without fax and Microsoft
// pseudo printers; [] after the service message; undefined when the spooler
// has no printer at all.
CallResult getPrinterList(const CallArguments& arguments);

// openPrinter(name) / openPrinterWithModel(name, model): true when opened;
// the latter then attaches and loads the model's command table.
CallResult openPrinter(const CallArguments& arguments);
CallResult openPrinterWithModel(const CallArguments& arguments);

// closeCurPrinter(name): closes an open printer and forgets its session.
CallResult closeCurPrinter(const CallArguments& arguments);

// printText(name, text[, mode]): the text in the size "zoomIn", "zoomH" or
// "zoomW" (exactly three arguments), then back to normal size.
CallResult printText(const CallArguments& arguments);

// openCashDraw(name[, m, t1, t2]): pulses the drawer; the three numbers
// replace the pulse for every later call on every printer.
CallResult openCashDraw(const CallArguments& arguments);

// cutPaper(name[, any]): cuts; a second argument selects the alternative cut.
CallResult cutPaper(const CallArguments& arguments);

// rollPaper(name, lines): feeds, after the model's pre-feed.
CallResult rollPaper(const CallArguments& arguments);

// getPrinterStatus(name): false when the spooler reports that the open
// printer cannot print now, true otherwise.
CallResult getPrinterStatus(const CallArguments& arguments);

}  // namespace lumetra
