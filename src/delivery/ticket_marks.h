#pragma once

#include <string>
#include <vector>

#include "outbox/outbox.h"

namespace lumetra {

// The ticket's writes as `printer` is to print them: one line before its
// own bytes, in the printer's code page, for each of
//   "转自 PRINTER"  it was handed over for another printer (a backup took
//                   over, or the staff sent it here);
//   "补打"          bytes of it reached a printer before: it may have
//                   printed in part or whole, and the kitchen is to see a copy.
// The lines start with a printer reset, so that what the last ticket left
// set (large letters, another code page) does not carry over; the ticket's
// own bytes follow unchanged.
std::vector<std::string> markedWrites(const TicketToDeliver& ticket, const PrinterKey& printer);

}  // namespace lumetra
