#include "delivery/network_delivery.h"

#include <algorithm>
#include <vector>

#include "base/log.h"
#include "delivery/ticket_marks.h"
#include "net/net_printer_slots.h"

namespace lumetra {
namespace {

std::string oneStream(const std::vector<std::string>& writes) {
  std::string bytes;
  for (const std::string& write : writes) bytes += write;
  return bytes;
}

long long secondsOf(std::chrono::milliseconds wait) {
  return std::chrono::duration_cast<std::chrono::seconds>(wait).count();
}

Trouble stoppedBecause(const PrinterReport& report) {
  if (report.coverOpen) return Trouble::coverOpen;
  if (report.paperEnd) return Trouble::paperEnd;
  if (report.error) return Trouble::printerError;
  return Trouble::printerOffline;
}

}  // namespace

NetworkDelivery::NetworkDelivery(Outbox& outbox, PrinterBoard& board, const DeliveryTimings& timings,
                                 BacklogListener listener, StatesListener statesListener)
    : outbox_(outbox),
      board_(board),
      timings_(timings),
      listener_(std::move(listener)),
      statesListener_(std::move(statesListener)) {}

void NetworkDelivery::run(std::stop_token stop) {
  const std::stop_callback wakeOnStop(stop, [this] { wakeup_.signal(); });
  while (!stop.stop_requested()) {
    const Clock::time_point now = Clock::now();
    carryOutActions(now);
    passToBackups(now);
    startDue(now);
    const bool delivered = advanceAll(now);
    reportBacklog();
    if (!delivered) waitForWork(now);
  }
}

void NetworkDelivery::act(StaffAction action) {
  {
    MutexLock lock(actionsMutex_);
    // The staff press a button now and then; a flood is a fault.
    if (actions_.size() >= 64) return;
    actions_.push_back(std::move(action));
  }
  wake();
}

void NetworkDelivery::carryOutActions(Clock::time_point now) {
  std::vector<StaffAction> actions;
  {
    MutexLock lock(actionsMutex_);
    actions.swap(actions_);
  }
  for (const StaffAction& action : actions) {
    const auto line = lines_.find(action.printer.name);
    if (line != lines_.end()) {
      if (action.kind == StaffAction::Kind::retry) {
        line->second.interruptions = 0;
        line->second.nextAttempt = now;
      } else if (action.kind != StaffAction::Kind::printOld) {
        cancel(line->second);
      }
    }
    applyStaffAction(outbox_, action);
  }
}

void NetworkDelivery::cancel(Line& line) {
  if (!line.send) return;
  if (!line.probing) outbox_.putBack(line.printer, line.ticketId);
  line.send.reset();
  line.held = false;
  line.probing = false;
}

void NetworkDelivery::passToBackups(Clock::time_point now) {
  for (auto& [address, line] : lines_) {
    const auto backup = timings_.backups.find(line.printer);
    if (backup == timings_.backups.end()) continue;
    if (!line.onBackup) {
      if (now - line.waitingSince < timings_.backupAfter || outbox_.waitingFor(line.printer) == 0) continue;
      cancel(line);
      line.onBackup = true;
      line.nextAttempt = now + timings_.retryInterval;
      board_.onBackup(line.printer, true);
      logf(LogLevel::warning, "%s has not taken a ticket for %llds; its tickets go to %s until it does",
           address.c_str(), secondsOf(timings_.backupAfter), backup->second.name.c_str());
    }
    if (outbox_.waitingFor(line.printer) > 0) {
      const std::size_t moved = outbox_.move(line.printer, backup->second);
      if (moved > 0)
        logf(LogLevel::notice, "%zu tickets for %s went to %s", moved, address.c_str(), backup->second.name.c_str());
    }
  }
}

void NetworkDelivery::startDue(Clock::time_point now) {
  for (PrinterKey& printer : outbox_.printersWaiting(PrinterKind::network)) {
    const std::string address = printer.name;
    const auto [entry, added] = lines_.try_emplace(address);
    if (added) entry->second.waitingSince = now;
    entry->second.printer = std::move(printer);
  }
  for (auto entry = lines_.begin(); entry != lines_.end();) {
    Line& line = entry->second;
    if (line.send || now < line.nextAttempt) {
      ++entry;
      continue;
    }
    line.attemptStarted = now;
    line.reached = false;
    if (line.onBackup) {
      // Nothing but the printer's own answers: it is back once it has
      // taken an empty ticket as it would take a real one.
      line.probing = true;
      line.send.emplace(platform::ipv4Endpoint(line.printer.name, kRawPrinterPort), std::string(), timings_.ticket, now,
                        abilities_[line.printer.name], processIdFor(0));
      ++entry;
      continue;
    }
    std::optional<TicketToDeliver> ticket = outbox_.first(line.printer);
    if (!ticket) {
      entry = lines_.erase(entry);
      continue;
    }
    line.ticketId = ticket->id;
    line.send.emplace(platform::ipv4Endpoint(line.printer.name, kRawPrinterPort),
                      oneStream(markedWrites(*ticket, line.printer)), timings_.ticket, now,
                      abilities_[line.printer.name], processIdFor(ticket->id));
    ++entry;
  }
}

bool NetworkDelivery::advanceAll(Clock::time_point now) {
  bool delivered = false;
  for (auto& [address, line] : lines_) {
    if (!line.send) continue;
    const TicketSend::Stage stage = line.send->advance(now);
    if (line.probing) {
      settleProbe(line, stage, now);
      continue;
    }
    if (!line.reached && line.send->acknowledged() > 0) {
      line.reached = true;
      outbox_.reached(line.printer, line.ticketId);
    }
    delivered = delivered || stage == TicketSend::Stage::delivered;
    settle(line, stage, now);
  }
  return delivered;
}

void NetworkDelivery::settle(Line& line, TicketSend::Stage stage, Clock::time_point now) {
  notePrinterReport(line, now);
  if (stage == TicketSend::Stage::delivered) {
    abilities_[line.printer.name] = line.send->abilities();
  } else if (line.send->ended()) {
    abilities_.erase(line.printer.name);
  }
  switch (stage) {
    case TicketSend::Stage::delivered:
      board_.delivered(line.printer, outbox_.delivered(line.printer, line.ticketId));
      line.interruptions = 0;
      line.nextAttempt = now;
      line.waitingSince = now;
      break;
    case TicketSend::Stage::refused:
    case TicketSend::Stage::unanswered:
      board_.troubled(line.printer, stage == TicketSend::Stage::refused ? Trouble::refused : Trouble::unanswered);
      line.nextAttempt = line.attemptStarted + timings_.retryInterval;
      break;
    case TicketSend::Stage::interrupted: {
      board_.troubled(line.printer, Trouble::interrupted);
      const int doublings = std::min(line.interruptions++, 16);
      line.nextAttempt = now + std::min(timings_.retryInterval * (1 << doublings), timings_.longestBackoff);
      break;
    }
    case TicketSend::Stage::connecting:
    case TicketSend::Stage::askingStatus:
    case TicketSend::Stage::sending:
    case TicketSend::Stage::printing:
    case TicketSend::Stage::finishing:
      return;
  }
  if (stage != TicketSend::Stage::delivered) outbox_.putBack(line.printer, line.ticketId);
  line.held = false;
  line.send.reset();
}

void NetworkDelivery::settleProbe(Line& line, TicketSend::Stage stage, Clock::time_point now) {
  if (!line.send->ended()) return;
  line.send.reset();
  line.probing = false;
  if (stage != TicketSend::Stage::delivered) {
    line.nextAttempt = line.attemptStarted + timings_.retryInterval;
    return;
  }
  line.onBackup = false;
  line.waitingSince = now;
  line.nextAttempt = now;
  board_.onBackup(line.printer, false);
  logf(LogLevel::notice, "%s takes tickets again; its new tickets go to it", line.printer.name.c_str());
}

void NetworkDelivery::notePrinterReport(Line& line, Clock::time_point now) {
  const TicketSend& send = *line.send;
  if (const std::optional<PrinterReport>& report = send.report()) {
    // A printer that has printed the ticket is no longer stopped: a report
    // saying so is from before, and its paper sensor with it.
    const bool outOfDate = send.stage() == TicketSend::Stage::delivered && report->stopped();
    const bool nearEnd = report->paperNearEnd && !outOfDate;
    board_.printerCondition(line.printer, nearEnd ? Trouble::paperNearEnd : Trouble::none);
  }
  if (send.held()) {
    board_.troubled(line.printer, stoppedBecause(*send.report()));
  } else if (send.stalled(now)) {
    board_.troubled(line.printer,
                    send.stage() == TicketSend::Stage::connecting ? Trouble::unanswered : Trouble::stalled);
  } else if (line.held) {
    board_.troubled(line.printer, Trouble::none);  // it reports ready again
  }
  line.held = send.held();
}

void NetworkDelivery::waitForWork(Clock::time_point now) {
  std::vector<platform::SocketInterest> interests;
  Clock::time_point until = now + timings_.retryInterval;
  for (const auto& [address, line] : lines_) {
    if (line.send) {
      interests.push_back(line.send->interest());
      until = std::min(until, line.send->nextCheck(now));
    } else {
      until = std::min(until, line.nextAttempt);
    }
  }
  if (const auto due = outbox_.syncDeliveriesWhenDue(now)) until = std::min(until, *due);
  const auto timeout = std::chrono::ceil<std::chrono::milliseconds>(std::max(until - now, Clock::duration::zero()));
  platform::SocketWait::wait(interests, wakeup_, timeout);
}

void NetworkDelivery::reportBacklog() {
  std::optional<BacklogReport> change = board_.backlogChange();
  if (change && listener_) listener_(std::move(*change));
  if (board_.statesChanged() && statesListener_) statesListener_();
}

}  // namespace lumetra
