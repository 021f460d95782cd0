#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "base/mutex.h"
#include "delivery/printer_backlog.h"
#include "delivery/printer_state.h"
#include "delivery/printer_trouble.h"
#include "outbox/outbox.h"

namespace lumetra {

// What the staff are to know of each printer: why its tickets wait (as the
// delivery threads find), why the outbox refused some, and what it reports
// of itself; and from that, with the outbox's counts, the list the staff
// notice shows. Kept per printer, so that more can be told of each (tickets
// delivered and failed, when the oldest waiting was handed over) from the
// same place. Its lock is taken before the outbox's, never after.
class PrinterBoard {
 public:
  explicit PrinterBoard(const Outbox& outbox) : outbox_(outbox) {}
  PrinterBoard(const PrinterBoard&) = delete;
  PrinterBoard& operator=(const PrinterBoard&) = delete;

  // What keeps the printer's waiting tickets waiting (Trouble::none once
  // nothing does); shown while any wait.
  void troubled(const PrinterKey& printer, Trouble trouble) EXCLUDES(mutex_);
  // What the staff should know of a printer whether or not its tickets
  // wait (paper near its end; a spooler queue that stopped with documents
  // it took): shown until reported as Trouble::none. A trouble of its
  // waiting tickets, or a refusal, is shown in its place.
  void printerCondition(const PrinterKey& printer, Trouble condition) EXCLUDES(mutex_);
  // The printer confirmed a ticket; `stillWaiting` of its tickets wait.
  void delivered(const PrinterKey& printer, std::size_t stillWaiting) EXCLUDES(mutex_);
  // Tickets a hand-over refused: shown until the outbox has room for the
  // printer's next one, for as many printers as the board keeps.
  void refused(const std::vector<Refused>& refused) EXCLUDES(mutex_);
  // The printer's tickets go to its backup (shown until it takes tickets
  // again), or no longer do.
  void onBackup(const PrinterKey& printer, bool onBackup) EXCLUDES(mutex_);
  // The shop's backup printers: always among the targets.
  void backups(std::vector<PrinterKey> backups) EXCLUDES(mutex_);

  // The printers whose tickets wait for a trouble, are held for their age
  // or were refused, then those on their backup or that only report a
  // condition, each in printer order, and the targets; when that has
  // changed since the last call.
  std::optional<BacklogReport> backlogChange() EXCLUDES(mutex_);

  // Every printer with tickets waiting, something to show, or tickets
  // delivered or failed, in printer order; at most 256 of them.
  std::vector<PrinterState> states() const EXCLUDES(mutex_);
  // True when states() has changed since the last call.
  bool statesChanged() EXCLUDES(mutex_);

 private:
  struct Printer {
    Trouble trouble = Trouble::none;    // of its waiting tickets' delivery
    Trouble refusal = Trouble::none;    // while the outbox refuses its tickets
    std::int64_t since = 0;             // Unix seconds, from the first trouble or refusal
    Trouble condition = Trouble::none;  // what it reports of itself
    bool onBackup = false;

    bool blank() const {
      return trouble == Trouble::none && refusal == Trouble::none && condition == Trouble::none && !onBackup;
    }
    // Starts or ends `since` with its trouble and refusal.
    void restartSince();
  };

  struct Tally {
    std::uint64_t delivered = 0;
    std::uint64_t failed = 0;
  };

  // The printer's tally, or none once the board counts as many printers as
  // it keeps.
  Tally* tallyOf(const PrinterKey& printer) REQUIRES(mutex_);
  std::vector<PrinterState> statesLocked() const REQUIRES(mutex_);

  // Forgets a printer with nothing to show.
  void settle(std::map<PrinterKey, Printer>::iterator printer) REQUIRES(mutex_);

  const Outbox& outbox_;
  mutable Mutex mutex_;
  std::map<PrinterKey, Printer> printers_ GUARDED_BY(mutex_);
  BacklogReport shown_ GUARDED_BY(mutex_);  // the last report given
  std::map<PrinterKey, Tally> tallies_ GUARDED_BY(mutex_);
  std::vector<PrinterState> statesTold_ GUARDED_BY(mutex_);  // as statesChanged() last saw them
  std::vector<PrinterKey> backups_ GUARDED_BY(mutex_);
  // The printers that took tickets on the day (local days since 1970).
  std::set<PrinterKey> tookTickets_ GUARDED_BY(mutex_);
  std::int64_t day_ GUARDED_BY(mutex_) = 0;
};

}  // namespace lumetra
