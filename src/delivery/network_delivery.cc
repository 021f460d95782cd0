#include "delivery/network_delivery.h"

#include <algorithm>
#include <vector>

#include "net/net_printer_slots.h"

namespace lumetra {
namespace {

std::string oneStream(const Ticket& ticket) {
  std::string bytes;
  bytes.reserve(ticket.byteCount());
  for (const std::string& write : ticket.writes) bytes += write;
  return bytes;
}

Trouble stoppedBecause(const PrinterReport& report) {
  if (report.coverOpen) return Trouble::coverOpen;
  if (report.paperEnd) return Trouble::paperEnd;
  if (report.error) return Trouble::printerError;
  return Trouble::printerOffline;
}

}  // namespace

NetworkDelivery::NetworkDelivery(Outbox& outbox, PrinterBoard& board, const DeliveryTimings& timings,
                                 BacklogListener listener)
    : outbox_(outbox), board_(board), timings_(timings), listener_(std::move(listener)) {}

void NetworkDelivery::run(std::stop_token stop) {
  const std::stop_callback wakeOnStop(stop, [this] { wakeup_.signal(); });
  while (!stop.stop_requested()) {
    const Clock::time_point now = Clock::now();
    startDue(now);
    const bool delivered = advanceAll(now);
    reportBacklog();
    if (!delivered) waitForWork(now);
  }
}

void NetworkDelivery::startDue(Clock::time_point now) {
  for (PrinterKey& printer : outbox_.printersWaiting(PrinterKind::network)) {
    const std::string address = printer.name;
    lines_.try_emplace(address).first->second.printer = std::move(printer);
  }
  for (auto entry = lines_.begin(); entry != lines_.end();) {
    Line& line = entry->second;
    if (line.send || now < line.nextAttempt) {
      ++entry;
      continue;
    }
    std::optional<TicketToDeliver> ticket = outbox_.first(line.printer);
    if (!ticket) {
      entry = lines_.erase(entry);
      continue;
    }
    line.ticketId = ticket->id;
    line.attemptStarted = now;
    line.send.emplace(platform::ipv4Endpoint(line.printer.name, kRawPrinterPort), oneStream(ticket->ticket),
                      timings_.ticket, now, abilities_[line.printer.name], processIdFor(ticket->id));
    ++entry;
  }
}

bool NetworkDelivery::advanceAll(Clock::time_point now) {
  bool delivered = false;
  for (auto& [address, line] : lines_) {
    if (!line.send) continue;
    const TicketSend::Stage stage = line.send->advance(now);
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
  line.held = false;
  line.send.reset();
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
  std::optional<std::vector<PrinterBacklog>> change = board_.backlogChange();
  if (change && listener_) listener_(std::move(*change));
}

}  // namespace lumetra
