#include "delivery/ticket_marks.h"

#include "base/code_page.h"

namespace lumetra {
namespace {

constexpr std::string_view kPrinterReset = "\x1b@";

}  // namespace

std::vector<std::string> markedWrites(const TicketToDeliver& ticket, const PrinterKey& printer) {
  std::string marks;
  if (ticket.ticket.printer != printer) marks += utf8ToAnsi("转自 " + ticket.ticket.printer.name) + "\n";
  if (ticket.reached) marks += utf8ToAnsi("补打") + "\n";
  std::vector<std::string> writes;
  writes.reserve(ticket.ticket.writes.size() + 1);
  if (!marks.empty()) writes.push_back(std::string(kPrinterReset) + marks);
  writes.insert(writes.end(), ticket.ticket.writes.begin(), ticket.ticket.writes.end());
  return writes;
}

}  // namespace lumetra
