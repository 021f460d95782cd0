#include "delivery/printer_board.h"

#include <algorithm>
#include <ctime>

#include "base/unix_time.h"

namespace lumetra {
namespace {

// Far more than a shop has, and than the notice names.
constexpr std::size_t kMostPrinters = 256;
// As many printers that took tickets today are offered as targets.
constexpr std::size_t kMostTargets = 64;

// Today as days since 1970 in the till's own time zone.
std::int64_t localDay() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return (static_cast<std::int64_t>(now) + local.tm_gmtoff) / 86'400;
}

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

// A page may name any number of printers: the page and the metrics are told
// of as many as the board keeps, printers that ever printed or report a
// condition first, then those whose tickets have waited longest. In printer
// order.
std::vector<PrinterState> mostTelling(std::vector<PrinterState> states) {
  if (states.size() <= kMostPrinters) return states;
  const auto known = [](const PrinterState& state) { return state.delivered > 0 || state.condition != Trouble::none; };
  std::stable_sort(states.begin(), states.end(), [&known](const PrinterState& a, const PrinterState& b) {
    if (known(a) != known(b)) return known(a);
    return a.oldestUnixSeconds < b.oldestUnixSeconds;
  });
  states.resize(kMostPrinters);
  std::sort(states.begin(), states.end(),
            [](const PrinterState& a, const PrinterState& b) { return a.printer < b.printer; });
  return states;
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

PrinterBoard::Tally* PrinterBoard::tallyOf(const PrinterKey& printer) {
  if (!tallies_.contains(printer) && tallies_.size() >= kMostPrinters) return nullptr;
  return &tallies_[printer];
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
  if (Tally* tally = tallyOf(printer)) ++tally->delivered;
  if (const std::int64_t today = localDay(); today != day_) {
    day_ = today;
    tookTickets_.clear();
  }
  if (tookTickets_.size() < kMostTargets) tookTickets_.insert(printer);
  const auto entry = printers_.find(printer);
  if (entry == printers_.end() || stillWaiting > 0) return;
  entry->second.trouble = Trouble::none;
  settle(entry);
}

void PrinterBoard::refused(const std::vector<Refused>& refused) {
  MutexLock lock(mutex_);
  for (const Refused& tickets : refused) {
    if (Tally* tally = tallyOf(tickets.printer)) tally->failed += tickets.tickets;
    // A page may name any number of printers: past this many, refusals are
    // left out of the notice (stderr has them).
    if (!printers_.contains(tickets.printer) && printers_.size() >= kMostPrinters) continue;
    const auto entry = printers_.try_emplace(tickets.printer).first;
    entry->second.refusal = troubleOf(tickets.why);
    settle(entry);
  }
}

void PrinterBoard::onBackup(const PrinterKey& printer, bool onBackup) {
  MutexLock lock(mutex_);
  const auto entry = printers_.try_emplace(printer).first;
  entry->second.onBackup = onBackup;
  settle(entry);
}

void PrinterBoard::backups(std::vector<PrinterKey> backups) {
  MutexLock lock(mutex_);
  backups_ = std::move(backups);
}

std::optional<BacklogReport> PrinterBoard::backlogChange() {
  MutexLock lock(mutex_);
  std::vector<PrinterBacklog> waiting;
  std::vector<PrinterBacklog> conditions;
  // A printer holding old tickets is shown whatever else it has.
  for (const PrinterKey& holding : outbox_.printersHolding()) {
    if (printers_.size() < kMostPrinters) printers_.try_emplace(holding);
  }
  for (auto entry = printers_.begin(); entry != printers_.end();) {
    const PrinterKey& key = entry->first;
    Printer& printer = entry->second;
    const std::size_t count = outbox_.waitingFor(key);
    const std::size_t held = count == 0 ? 0 : outbox_.heldFor(key);
    // A ticket dropped as unreadable ends a trouble as a delivered one does.
    if (count == 0) printer.trouble = Trouble::none;
    if (printer.refusal != Trouble::none && outbox_.wouldRefuse(key) == OverLimit::none)
      printer.refusal = Trouble::none;
    printer.restartSince();
    if (printer.blank() && held == 0) {
      entry = printers_.erase(entry);
      continue;
    }
    const Trouble shown = printer.refusal != Trouble::none   ? printer.refusal
                          : printer.onBackup                 ? Trouble::movedToBackup
                          : printer.trouble != Trouble::none ? printer.trouble
                                                             : printer.condition;
    if (count > 0 || printer.refusal != Trouble::none) {
      waiting.push_back(PrinterBacklog{key.name, count, printer.since, shown, held, key.kind});
    } else {
      conditions.push_back(PrinterBacklog{key.name, 0, 0, shown, 0, key.kind});
    }
    ++entry;
  }
  waiting.insert(waiting.end(), conditions.begin(), conditions.end());
  BacklogReport report{std::move(waiting), backups_};
  for (const PrinterKey& took : tookTickets_) {
    if (std::find(report.targets.begin(), report.targets.end(), took) == report.targets.end())
      report.targets.push_back(took);
  }
  if (report == shown_) return std::nullopt;
  shown_ = report;
  return report;
}

std::vector<PrinterState> PrinterBoard::states() const {
  MutexLock lock(mutex_);
  return statesLocked();
}

bool PrinterBoard::statesChanged() {
  MutexLock lock(mutex_);
  std::vector<PrinterState> now = statesLocked();
  if (now == statesTold_) return false;
  statesTold_ = std::move(now);
  return true;
}

std::vector<PrinterState> PrinterBoard::statesLocked() const {
  std::map<PrinterKey, PrinterState> states;
  const auto stateOf = [&states](const PrinterKey& key) -> PrinterState& {
    PrinterState& state = states[key];
    state.printer = key;
    return state;
  };
  for (const WaitingTickets& waiting : outbox_.waitingTickets()) {
    PrinterState& state = stateOf(waiting.printer);
    state.waiting = waiting.tickets;
    state.oldestUnixSeconds = waiting.oldestUnixSeconds;
    state.held = outbox_.heldFor(waiting.printer);
  }
  for (const auto& [key, printer] : printers_) {
    PrinterState& state = stateOf(key);
    // As backlogChange() judges them: a trouble ends with the last waiting
    // ticket, a refusal once the outbox has room again; a printer on its
    // backup says so until it takes tickets again, waiting or not.
    if (printer.refusal != Trouble::none && outbox_.wouldRefuse(key) != OverLimit::none) {
      state.reason = printer.refusal;
    } else if (printer.onBackup) {
      state.reason = Trouble::movedToBackup;
    } else if (state.waiting > 0) {
      state.reason = printer.trouble;
    }
    state.condition = printer.condition;
  }
  for (const auto& [key, tally] : tallies_) {
    PrinterState& state = stateOf(key);
    state.delivered = tally.delivered;
    state.failed = tally.failed;
  }
  std::vector<PrinterState> list;
  list.reserve(states.size());
  for (auto& [key, state] : states) list.push_back(std::move(state));
  return mostTelling(std::move(list));
}

}  // namespace lumetra
