#pragma once

#include <chrono>
#include <memory>
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
};

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

  void start(const DeliveryTimings& timings, BacklogListener listener);
  // Queues the tickets in the outbox (returning once they are on disk),
  // shows the staff what it refused, and delivers them.
  void handOver(std::vector<Ticket> tickets);
  void stop();

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
