#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <string_view>
#include <thread>

#include "delivery/printer_backlog.h"
#include "delivery/printer_board.h"
#include "net/ticket_send.h"
#include "outbox/outbox.h"
#include "platform/print/spooler.h"

namespace lumetra {

struct DeliveryTimings {
  // One ticket's connection to a network printer: how long it may go
  // unanswered, how often the printer is asked its status (net/ticket_send.h).
  TicketSendTimings ticket;
  // Between attempts for a printer that cannot be reached. As long as
  // ticket.connectWait: a connection request that goes unanswered that long
  // is repeated by the system meanwhile, so a printer that comes back is
  // seen at once, and the next attempt starts as the last one gives up.
  std::chrono::milliseconds retryInterval{10'000};
  // The longest pause for a printer that keeps failing in the middle of a
  // ticket, so that it does not print half tickets without end.
  std::chrono::milliseconds longestBackoff{160'000};
  // How often a spooler queue that holds unfinished documents of ours is
  // asked whether it has stopped.
  std::chrono::milliseconds queueWatchInterval{3'000};
  // And the shop's arrangements: tickets handed over longer ago than this
  // wait for the staff (Outbox::holdAfter; zero: never);
  std::chrono::seconds holdAfter{3'600};
  // a network printer that has not taken its first waiting ticket for this
  // long has its tickets sent to its backup, a printer or queue of its own,
  // until it takes tickets again.
  std::chrono::milliseconds backupAfter{30'000};
  std::map<PrinterKey, PrinterKey> backups;
};

// What the staff asked for a printer's waiting tickets.
struct StaffAction {
  enum class Kind : std::uint8_t {
    retry,       // try now, without waiting for the pause after a failure
    redirect,    // send them to `target`
    discard,     // discard them
    printOld,    // print those held for their age
    discardOld,  // discard those held for their age
  };
  Kind kind = Kind::retry;
  PrinterKey printer;
  PrinterKey target;
};
// The action a message names ("retry", "redirect", "discard", "print-old",
// "discard-old"); nothing for any other word.
std::optional<StaffAction::Kind> staffActionKind(std::string_view word);

// Carries out a decision on the outbox (not retry), with a line on stderr.
void applyStaffAction(Outbox& outbox, const StaffAction& action);

class NetworkDelivery;
class SpoolerDelivery;

// The threads that take tickets from the outbox to their printers: one for
// every network printer at once (a dead or stuck printer waits on its own
// connection and never holds back another), one for the spooler's queues
// (CUPS answers a local call quickly). Both tell the board what they find;
// the network thread tells the host which printers have tickets waiting,
// and why.
class Delivery {
 public:
  Delivery(Outbox& outbox, platform::Spooler& spooler);
  ~Delivery();
  Delivery(const Delivery&) = delete;
  Delivery& operator=(const Delivery&) = delete;

  void start(const DeliveryTimings& timings, BacklogListener listener, StatesListener statesListener = {});
  // Queues the tickets in the outbox (returning once they are on disk),
  // shows the staff what it refused, and delivers them.
  void handOver(std::vector<Ticket> tickets);
  // Carries out what the staff asked, on the thread that delivers the
  // printer's tickets, so that none is on its way meanwhile.
  void act(StaffAction action);
  void stop();
  // Any thread: every printer's state now.
  std::vector<PrinterState> printerStates() const { return board_.states(); }

 private:
  // New tickets are waiting.
  void wake();

  Outbox& outbox_;
  platform::Spooler& spooler_;
  PrinterBoard board_{outbox_};
  std::unique_ptr<NetworkDelivery> network_;
  std::unique_ptr<SpoolerDelivery> spooled_;
  std::jthread networkThread_;
  std::jthread spoolerThread_;
};

}  // namespace lumetra
