#include "delivery/printer_board.h"

#include "base/unix_time.h"

namespace lumetra {
namespace {

// Far more than a shop has, and than the notice names.
constexpr std::size_t kMostPrinters = 256;

Trouble troubleOf(OverLimit limit) {
  switch (limit) {
    case OverLimit::printerFull:
      return Trouble::printerFull;
    case OverLimit::unknownPrinterFull:
      return Trouble::unknownPrinterFull;
    case OverLimit::outboxFull:
      return Trouble::outboxFull;
    case OverLimit::none:
      break;
  }
  return Trouble::none;
}

}  // namespace

void PrinterBoard::Printer::restartSince() {
  if (trouble == Trouble::none && refusal == Trouble::none) {
    since = 0;
  } else if (since == 0) {
    since = unixSecondsNow();
  }
}

void PrinterBoard::settle(std::map<PrinterKey, Printer>::iterator entry) {
  entry->second.restartSince();
  if (entry->second.blank()) printers_.erase(entry);
}

void PrinterBoard::troubled(const PrinterKey& printer, Trouble trouble) {
  MutexLock lock(mutex_);
  if (outbox_.waitingFor(printer) == 0) return;
  const auto entry = printers_.try_emplace(printer).first;
  entry->second.trouble = trouble;
  settle(entry);
}

void PrinterBoard::printerCondition(const PrinterKey& printer, Trouble condition) {
  MutexLock lock(mutex_);
  const auto entry = printers_.try_emplace(printer).first;
  entry->second.condition = condition;
  settle(entry);
}

void PrinterBoard::delivered(const PrinterKey& printer, std::size_t stillWaiting) {
  MutexLock lock(mutex_);
  const auto entry = printers_.find(printer);
  if (entry == printers_.end() || stillWaiting > 0) return;
  entry->second.trouble = Trouble::none;
  settle(entry);
}

void PrinterBoard::refused(const std::vector<Refused>& refused) {
  MutexLock lock(mutex_);
  for (const Refused& tickets : refused) {
    // A page may name any number of printers: past this many, refusals are
    // left out of the notice (stderr has them).
    if (!printers_.contains(tickets.printer) && printers_.size() >= kMostPrinters) continue;
    const auto entry = printers_.try_emplace(tickets.printer).first;
    entry->second.refusal = troubleOf(tickets.why);
    settle(entry);
  }
}

std::optional<std::vector<PrinterBacklog>> PrinterBoard::backlogChange() {
  MutexLock lock(mutex_);
  std::vector<PrinterBacklog> waiting;
  std::vector<PrinterBacklog> conditions;
  for (auto entry = printers_.begin(); entry != printers_.end();) {
    const PrinterKey& key = entry->first;
    Printer& printer = entry->second;
    const std::size_t count = outbox_.waitingFor(key);
    // A ticket dropped as unreadable ends a trouble as a delivered one does.
    if (count == 0) printer.trouble = Trouble::none;
    if (printer.refusal != Trouble::none && outbox_.wouldRefuse(key) == OverLimit::none)
      printer.refusal = Trouble::none;
    printer.restartSince();
    if (printer.blank()) {
      entry = printers_.erase(entry);
      continue;
    }
    if (count > 0 || printer.refusal != Trouble::none) {
      const Trouble why = printer.refusal != Trouble::none   ? printer.refusal
                          : printer.trouble != Trouble::none ? printer.trouble
                                                             : printer.condition;
      waiting.push_back(PrinterBacklog{key.name, count, printer.since, why, key.kind});
    } else {
      conditions.push_back(PrinterBacklog{key.name, 0, 0, printer.condition, key.kind});
    }
    ++entry;
  }
  waiting.insert(waiting.end(), conditions.begin(), conditions.end());
  if (waiting == shown_) return std::nullopt;
  shown_ = waiting;
  return waiting;
}

}  // namespace lumetra
