#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "jobs/print_task.h"
#include "net/net_printer_slots.h"

namespace lumetra {

// Results of openTaskOutput (a network printer that cannot be reached gives
// kTaskConnectionFailed from net/print_target.h).
inline constexpr int kTaskOutputReady = 0;
inline constexpr int kTaskPrinterNotOpened = 2;
inline constexpr int kTaskDocumentRefused = 3;
inline constexpr int kTaskPageRefused = 4;

// Makes a task's printer ready: a spooler printer is opened (its model's
// command table loaded, "RQ2" for an empty model, unless it was open
// already) with a document and a page started; a network printer gets its
// task connection; other types need nothing.
int openTaskOutput(NetworkPrinters& net, const std::u16string& printerName, const std::u16string& address,
                   const std::u16string& model, std::int32_t printerType) REQUIRES(net.printers.outputLock)
    EXCLUDES(net.printers.printerLock);

// Lays out the items with the printer's command table and writes them: the
// bytes in one write, split only around pictures, which go in one write each
// (a picture that cannot be used, or a task without a printer name, prints
// nothing). False when a write failed (the printer went away or stopped
// taking bytes).
bool renderTaskContents(NetworkPrinters& net, const std::u16string& printerName, const std::u16string& address,
                        const std::vector<ContentItem>& items, std::int32_t printerWidth, std::int32_t printerType)
    REQUIRES(net.printers.outputLock) EXCLUDES(net.printers.printerLock);

// Ends the spooler document and closes the printer, if it is open.
void endTaskOutput(Printers& printers, const std::u16string& printerName) REQUIRES(printers.outputLock)
    EXCLUDES(printers.printerLock);

}  // namespace lumetra
