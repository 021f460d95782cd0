#pragma once

#include "base/call_frame.h"
#include "functions/context.h"

namespace lumetra {

// The page's functions for spooler printers (CUPS queues), by printer name;
// naming a printer creates its session. The table checks the argument
// counts. The output functions send every command or text run as its own
// spooler write and give true when the printer was open, whatever the
// writes gave: bytes reach paper only inside startPrintTask/endPrintTask.

// getPrinterList(): the spooler's printer names without fax and Microsoft
// pseudo printers; [] after the service message; undefined when the spooler
// has no printer at all.
CallResult getPrinterList(Context& context, const CallArguments& arguments);
// openPrinter(name) / openPrinterWithModel(name, model): true when opened;
// the latter then attaches and loads the model's command table.
CallResult openPrinter(Context& context, const CallArguments& arguments);
CallResult openPrinterWithModel(Context& context, const CallArguments& arguments);
// closeCurPrinter(name): closes an open printer and forgets its session.
CallResult closeCurPrinter(Context& context, const CallArguments& arguments);
// printText(name, text[, mode]): the text in the size "zoomIn", "zoomH" or
// "zoomW" (exactly three arguments), then back to normal size.
CallResult printText(Context& context, const CallArguments& arguments);
// openCashDraw(name[, m, t1, t2]): pulses the drawer; the three numbers
// replace the pulse for every later call on every printer.
CallResult openCashDraw(Context& context, const CallArguments& arguments);
// cutPaper(name[, any]): cuts; a second argument selects the alternative
// cut. With more arguments nothing is sent.
CallResult cutPaper(Context& context, const CallArguments& arguments);
// rollPaper(name, lines): feeds, after the model's pre-feed.
CallResult rollPaper(Context& context, const CallArguments& arguments);
// getPrinterStatus(name): false when the spooler reports that the open
// printer cannot print now, true otherwise.
CallResult getPrinterStatus(Context& context, const CallArguments& arguments);

// getPrinterModelList(): the model names of ./dev/*.ini in the file system's
// order; an empty array when there are none.
CallResult getPrinterModelList(Context& context, const CallArguments& arguments);
// getPrinterDiffConfig(printerName, modelName): attaches a model's command
// table to a printer (opened or not).
CallResult getPrinterDiffConfig(Context& context, const CallArguments& arguments);

// A receipt on a spooler printer is one document: startPrintTask(name),
// any of the direct printer functions, endPrintTask(name).
// startPrintTask(name): opens the printer unless its session already holds
// a handle, then starts a document and a page. Failures are told to the
// staff in a message box; true when the document and page were started.
CallResult startPrintTask(Context& context, const CallArguments& arguments);
// endPrintTask(name): ends page and document and releases the printer in
// every case; true when both ended cleanly, false when it was not open.
CallResult endPrintTask(Context& context, const CallArguments& arguments);
// printTagContent(name, text): plain command text for label printers, then
// CR LF, as two writes. An empty text sends a single NUL byte instead.
CallResult printTagContent(Context& context, const CallArguments& arguments);

// printLogo(printerName, imageText): prints the picture on the printer the
// page has opened. True whenever it runs, printed or not.
CallResult printLogo(Context& context, const CallArguments& arguments);
// checkImage(imageText): true when the picture is 384 or 576 pixels wide,
// the two roll widths the printers take.
CallResult checkImage(Context& context, const CallArguments& arguments);

}  // namespace lumetra
