#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "base/mutex.h"
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

  NetworkDelivery(Outbox& outbox, PrinterBoard& board, const DeliveryTimings& timings, BacklogListener listener,
                  StatesListener statesListener = {});

  void run(std::stop_token stop);
  void wake() { wakeup_.signal(); }
  // Any thread: carried out on the delivery thread.
  void act(StaffAction action) EXCLUDES(actionsMutex_);

 private:
  struct Line {
    PrinterKey printer;
    std::optional<TicketSend> send;  // the ticket on its way
    std::uint64_t ticketId = 0;
    Clock::time_point attemptStarted;
    Clock::time_point nextAttempt;  // for a printer with nothing on its way
    int interruptions = 0;          // in a row, for the backoff
    bool held = false;              // the printer reported it stopped printing
    bool reached = false;           // bytes of the ticket on its way reached the printer
    // Since when its first waiting ticket has not been taken.
    Clock::time_point waitingSince;
    bool onBackup = false;  // its tickets go to its backup
    bool probing = false;   // the send on its way carries nothing: is it back?
  };

  void carryOutActions(Clock::time_point now) EXCLUDES(actionsMutex_);
  // Stops the ticket on its way to the printer; it waits again.
  void cancel(Line& line);
  // Sends the tickets of printers that have not taken one for the backup
  // wait to their backups.
  void passToBackups(Clock::time_point now);
  void startDue(Clock::time_point now);
  void settleProbe(Line& line, TicketSend::Stage stage, Clock::time_point now);
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
  StatesListener statesListener_;
  platform::Wakeup wakeup_;
  std::map<std::string, Line> lines_;  // by address
  // What earlier tickets taught about each printer, forgotten when it
  // fails (it may have been restarted or replaced).
  std::map<std::string, PrinterAbilities> abilities_;
  Mutex actionsMutex_;
  std::vector<StaffAction> actions_ GUARDED_BY(actionsMutex_);
};

}  // namespace lumetra
