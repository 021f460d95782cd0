#include "delivery/delivery.h"

#include <algorithm>

#include "base/log.h"
#include "delivery/network_delivery.h"
#include "delivery/spooler_delivery.h"

namespace lumetra {

std::optional<StaffAction::Kind> staffActionKind(std::string_view word) {
  using Kind = StaffAction::Kind;
  if (word == "retry") return Kind::retry;
  if (word == "redirect") return Kind::redirect;
  if (word == "discard") return Kind::discard;
  if (word == "print-old") return Kind::printOld;
  if (word == "discard-old") return Kind::discardOld;
  return std::nullopt;
}

void applyStaffAction(Outbox& outbox, const StaffAction& action) {
  const char* printer = action.printer.name.c_str();
  switch (action.kind) {
    case StaffAction::Kind::retry:
      logf(LogLevel::notice, "staff asked to try %s now", printer);
      break;
    case StaffAction::Kind::redirect:
      logf(LogLevel::notice, "staff sent %zu tickets for %s to %s", outbox.move(action.printer, action.target), printer,
           action.target.name.c_str());
      break;
    case StaffAction::Kind::discard:
      logf(LogLevel::notice, "staff discarded %zu tickets for %s", outbox.discard(action.printer, TicketChoice::all),
           printer);
      break;
    case StaffAction::Kind::printOld:
      logf(LogLevel::notice, "staff let %zu old tickets for %s print", outbox.releaseHeld(action.printer), printer);
      break;
    case StaffAction::Kind::discardOld:
      logf(LogLevel::notice, "staff discarded %zu old tickets for %s",
           outbox.discard(action.printer, TicketChoice::held), printer);
      break;
  }
}

Delivery::Delivery(Outbox& outbox, platform::Spooler& spooler) : outbox_(outbox), spooler_(spooler) {}

Delivery::~Delivery() { stop(); }

void Delivery::start(const DeliveryTimings& timings, BacklogListener listener, StatesListener statesListener) {
  if (network_) return;
  outbox_.holdAfter(timings.holdAfter);
  std::vector<PrinterKey> backups;
  for (const auto& [printer, backup] : timings.backups) {
    if (std::find(backups.begin(), backups.end(), backup) == backups.end()) backups.push_back(backup);
  }
  board_.backups(std::move(backups));
  network_ =
      std::make_unique<NetworkDelivery>(outbox_, board_, timings, std::move(listener), std::move(statesListener));
  spooled_ = std::make_unique<SpoolerDelivery>(outbox_, board_, spooler_, timings,
                                               [network = network_.get()] { network->wake(); });
  networkThread_ = std::jthread([network = network_.get()](std::stop_token stop) { network->run(stop); });
  spoolerThread_ = std::jthread([spooled = spooled_.get()](std::stop_token stop) { spooled->run(stop); });
}

void Delivery::handOver(std::vector<Ticket> tickets) {
  board_.refused(outbox_.handOver(std::move(tickets)));
  wake();
}

void Delivery::act(StaffAction action) {
  if (!network_) return;
  if (action.printer.kind == PrinterKind::network) {
    network_->act(std::move(action));
    return;
  }
  // A spooler queue's ticket is on its way only for the moment CUPS takes
  // it: the outbox leaves that one where it is.
  if (action.kind == StaffAction::Kind::retry) spooled_->retryNow(action.printer);
  applyStaffAction(outbox_, action);
  wake();
}

void Delivery::wake() {
  if (!network_) return;
  network_->wake();
  spooled_->wake();
}

void Delivery::stop() {
  // The spooler's thread wakes the network thread: it goes first.
  spoolerThread_ = std::jthread();
  networkThread_ = std::jthread();
}

}  // namespace lumetra
