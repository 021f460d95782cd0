#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <stop_token>
#include <string>

#include "delivery/delivery.h"
#include "net/ticket_send.h"
#include "outbox/outbox.h"
#include "platform/net/socket_wait.h"

namespace lumetra {

// Delivers the network printers' tickets, each printer's in order, one
// ticket per printer on its way at a time, all printers at once on one
// thread. Everything but wake() is the delivery thread's.
class NetworkDelivery {
 public:
  using Clock = std::chrono::steady_clock;

  NetworkDelivery(Outbox& outbox, PrinterBoard& board, const DeliveryTimings& timings, BacklogListener listener);

  void run(std::stop_token stop);
  void wake() { wakeup_.signal(); }

 private:
  struct Line {
    PrinterKey printer;
    std::optional<TicketSend> send;  // the ticket on its way
    std::uint64_t ticketId = 0;
    Clock::time_point attemptStarted;
    Clock::time_point nextAttempt;  // for a printer with nothing on its way
    int interruptions = 0;          // in a row, for the backoff
    bool held = false;              // the printer reported it stopped printing
  };

  void startDue(Clock::time_point now);
  // True when a ticket was delivered, so the printer's next can go at once.
  bool advanceAll(Clock::time_point now);
  void settle(Line& line, TicketSend::Stage stage, Clock::time_point now);
  // Tells the staff what the printer reports of itself while a ticket is on its way.
  void notePrinterReport(Line& line, Clock::time_point now);
  void waitForWork(Clock::time_point now);
  void reportBacklog();

  Outbox& outbox_;
  PrinterBoard& board_;
  const DeliveryTimings timings_;
  BacklogListener listener_;
  platform::Wakeup wakeup_;
  std::map<std::string, Line> lines_;  // by address
  // What earlier tickets taught about each printer, forgotten when it
  // fails (it may have been restarted or replaced).
  std::map<std::string, PrinterAbilities> abilities_;
};

}  // namespace lumetra
