#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "base/mutex.h"
#include "outbox/journal_records.h"
#include "platform/files/journal_file.h"

namespace lumetra {

// How much may wait before new tickets are refused. A shop prints a few
// thousand tickets a day; these hold days of them for a dead printer while
// keeping the journal and the memory of the web process bounded.
struct OutboxLimits {
  std::size_t ticketsPerPrinter = 10'000;
  std::size_t tickets = 100'000;
  std::uint64_t bytes = std::uint64_t{256} << 20;
  // A printer that has never confirmed a ticket (an address mistyped, a
  // printer not set up yet, or one a page made up) may hold this many, and
  // all such printers together a quarter of the outbox, so that tickets for
  // addresses that never answer cannot take the room of the shop's printers.
  std::size_t ticketsPerUnknownPrinter = 1'000;
  std::size_t unknownPrinterTickets = 25'000;
  std::uint64_t unknownPrinterBytes = std::uint64_t{64} << 20;
};

// The limit a ticket was over, for which the outbox did not take it.
enum class OverLimit : std::uint8_t {
  none,
  printerFull,         // its printer's limit of waiting tickets was reached
  unknownPrinterFull,  // that of a printer that has never confirmed a ticket, or of all such printers
  outboxFull,          // the limit of waiting tickets (or bytes) of all printers was reached
};

// The tickets of one printer a hand-over refused, and why.
struct Refused {
  PrinterKey printer;
  OverLimit why = OverLimit::none;
  std::size_t tickets = 0;

  bool operator==(const Refused&) const = default;
};

// A printer's waiting tickets: how many, and when the oldest was handed over.
struct WaitingTickets {
  PrinterKey printer;
  std::size_t tickets = 0;
  std::int64_t oldestUnixSeconds = 0;
};

// Which of a printer's waiting tickets a decision takes.
enum class TicketChoice : std::uint8_t { all, held };

// The first waiting ticket of a printer, for its delivery.
struct TicketToDeliver {
  std::uint64_t id = 0;
  Ticket ticket;  // ticket.printer: the printer it was handed over for
  // Bytes of it reached a printer before: it may have printed, in part or
  // whole, and this is a copy.
  bool reached = false;
};

// The tickets handed over and not yet delivered, one queue per printer in
// the order the page handed them over, kept in a journal in the working
// folder so that none is lost when the process ends. The page's thread adds
// to it, the delivery threads take from it; one lock, held only for the
// bookkeeping and the journal's appends, never while waiting for a printer
// or syncing the disk. What the staff are told of printers and why their
// tickets wait is the delivery's (delivery/printer_board.h).
class Outbox {
 public:
  // The journal's files are made through `files` (the system's, or a
  // test's that fails a chosen call).
  explicit Outbox(OutboxLimits limits = {}, platform::JournalFiles& files = platform::systemJournalFiles())
      : limits_(limits), files_(files) {}
  Outbox(const Outbox&) = delete;
  Outbox& operator=(const Outbox&) = delete;

  // Opens the journal "outbox.journal" in `folder` and queues what it still
  // holds. Without a usable journal tickets are kept in memory only (a line
  // on stderr says why). Tickets are refused until this has run.
  void open(const std::filesystem::path& folder) EXCLUDES(mutex_);

  // Queues the tickets, each at the end of its printer's queue, and returns
  // once the journal holds them on disk. A ticket over a limit is refused
  // (a line on stderr for each printer says so) and returned among the
  // refused; none already waiting is dropped.
  std::vector<Refused> handOver(std::vector<Ticket> tickets) EXCLUDES(mutex_);
  // What would refuse the printer's next ticket now.
  OverLimit wouldRefuse(const PrinterKey& printer) const EXCLUDES(mutex_);

  // Tickets that have waited longer than this since they were handed over
  // (also before the last start) are held until the staff let them print
  // or discard them; zero holds none. Set before the delivery starts.
  void holdAfter(std::chrono::seconds age) EXCLUDES(mutex_);

  // Printers of that kind with tickets waiting.
  std::vector<PrinterKey> printersWaiting(PrinterKind kind) const EXCLUDES(mutex_);
  // The printer's first waiting ticket that is not held, read back from the
  // journal; it is on its way until delivered() or putBack(), and no
  // decision moves or discards it meanwhile. One that cannot be read back,
  // also when tried again, is dropped with a line on stderr: without its
  // bytes it can never print.
  std::optional<TicketToDeliver> first(const PrinterKey& printer) EXCLUDES(mutex_);
  // The ticket on its way did not get through; it waits again.
  void putBack(const PrinterKey& printer, std::uint64_t id) EXCLUDES(mutex_);
  // Bytes of the ticket on its way reached the printer: sent again, it is a
  // copy. Journalled (not synced) the first time.
  void reached(const PrinterKey& printer, std::uint64_t id) EXCLUDES(mutex_);

  // Decisions on a printer's waiting tickets, each one journal record,
  // synced; each gives how many tickets it took. A ticket on its way is
  // left where it is.
  // Its tickets go to `to` from now on, after those waiting there.
  std::size_t move(const PrinterKey& from, const PrinterKey& to) EXCLUDES(mutex_);
  // Its tickets (all, or those held for their age) leave, never printed.
  std::size_t discard(const PrinterKey& printer, TicketChoice choice) EXCLUDES(mutex_);
  // Its held tickets print as if they were new.
  std::size_t releaseHeld(const PrinterKey& printer) EXCLUDES(mutex_);
  // How many of its waiting tickets are held for their age.
  std::size_t heldFor(const PrinterKey& printer) const EXCLUDES(mutex_);
  // The printers holding tickets for their age.
  std::vector<PrinterKey> printersHolding() const EXCLUDES(mutex_);
  // The printer has confirmed its first ticket (`id`): it leaves the queue.
  // The record of it is synced to the disk within a second (by
  // syncDeliveriesWhenDue, or by the next hand-over's sync), not at once:
  // a sync per delivered ticket would hold up the page's own syncs. A crash
  // of the machine before that prints the ticket again. Gives how many of
  // the printer's tickets still wait. The first ticket a printer confirms
  // makes it known for good: the journal remembers it.
  std::size_t delivered(const PrinterKey& printer, std::uint64_t id) EXCLUDES(mutex_);
  // Syncs the delivered records once the oldest unsynced one is a second
  // old; otherwise gives when that will be.
  std::optional<std::chrono::steady_clock::time_point> syncDeliveriesWhenDue(std::chrono::steady_clock::time_point now)
      EXCLUDES(mutex_);

  std::size_t waiting() const EXCLUDES(mutex_);
  std::size_t waitingFor(const PrinterKey& printer) const EXCLUDES(mutex_);
  // Every printer with tickets waiting, in printer order.
  std::vector<WaitingTickets> waitingTickets() const EXCLUDES(mutex_);

 private:
  struct Queued {
    std::uint64_t id = 0;
    std::uint64_t offset = 0;  // of its record in the journal
    std::uint32_t size = 0;    // of its record; 0: kept in memory only
    std::uint64_t bytes = 0;   // for the printer
    std::shared_ptr<const Ticket> inMemory;
    std::int64_t handedOverUnixSeconds = 0;
    bool moved = false;     // from the printer it was handed over for
    bool released = false;  // the staff let it print whatever its age
    bool reached = false;   // bytes of it reached a printer
    bool onItsWay = false;  // given by first(), not yet delivered or put back

    // Waited longer than `holdAfter` (zero: never held) by `now`, and not
    // let print by the staff nor on its way.
    bool heldAt(std::chrono::seconds holdAfter, std::int64_t now) const {
      return holdAfter.count() > 0 && !released && !onItsWay && now - handedOverUnixSeconds > holdAfter.count();
    }
  };
  struct PrinterQueue {
    std::deque<Queued> tickets;
    std::uint64_t bytes = 0;  // of its tickets' records
  };

  void readBack(const JournalScan& scan) REQUIRES(mutex_);
  // The ticket `id` of the printer's queue; null when it has none.
  Queued* find(const PrinterKey& printer, std::uint64_t id) REQUIRES(mutex_);
  // The ids, in order, of the printer's tickets not on their way, of that choice.
  std::vector<std::uint64_t> idsOf(const PrinterKey& printer, TicketChoice choice) const EXCLUDES(mutex_);
  // Takes the tickets `ids` (in order) not on their way off the printer's
  // queue, uncounted, and gives them.
  std::vector<Queued> takeOut(const PrinterKey& printer, const std::vector<std::uint64_t>& ids) REQUIRES(mutex_);
  // Appends a decision's record and syncs it; false (with a line on stderr)
  // when the journal did not take it.
  bool journalDecision(Decision decision, const std::vector<std::uint64_t>& ids, const PrinterKey& target = {})
      EXCLUDES(mutex_);
  // Counts a ticket in, or out, of what waits.
  void add(const PrinterKey& printer, PrinterQueue& queue, Queued ticket) REQUIRES(mutex_);
  void uncount(const PrinterKey& printer, PrinterQueue& queue, const Queued& ticket) REQUIRES(mutex_);
  // Takes the printer's first ticket, `id`, off its queue (`confirmed`:
  // the printer confirmed it); gives how many of its tickets still wait.
  std::size_t remove(const PrinterKey& printer, std::uint64_t id, bool confirmed) EXCLUDES(mutex_);
  // The printer has confirmed a ticket: its tickets no longer count as an
  // unknown printer's. True the first time.
  bool confirm(const PrinterKey& printer, const PrinterQueue* queue) REQUIRES(mutex_);
  // The limit a ticket of `bytes` more for the printer is over, or none.
  OverLimit overLimit(const PrinterKey& printer, std::uint64_t bytes) const REQUIRES(mutex_);
  // Says on stderr what a hand-over refused.
  void logRefused(const std::vector<Refused>& refused) const REQUIRES(mutex_);
  // Appends the delivered and confirmed records not yet in the journal.
  void recordDeliveries() REQUIRES(mutex_);

  // Writes the journal anew with only the tickets still waiting, when the
  // delivered ones make up most of it.
  void compactWhenWorthIt() EXCLUDES(mutex_);
  // Also at start-up, to mend the journal; true when another thread is at it.
  bool compact(std::string& error) EXCLUDES(mutex_);
  // The journal being compacted, where it ended, its waiting records
  // (offset, size) in order, and the printers that confirmed tickets.
  struct CompactionSource {
    std::shared_ptr<platform::JournalFile> journal;
    JournalSalt salt;
    std::uint64_t end = 0;
    std::filesystem::path path;
    std::vector<std::pair<std::uint64_t, std::uint32_t>> records;
    std::set<PrinterKey> confirmed;
    // The decisions still in force on the waiting tickets.
    std::map<PrinterKey, std::vector<std::uint64_t>> moved;
    std::vector<std::uint64_t> released;
    std::vector<std::uint64_t> reached;
  };
  CompactionSource compactionSource() const REQUIRES(mutex_);
  bool rewriteJournal(const CompactionSource& source, std::string& error) EXCLUDES(mutex_);
  // The new journal with the source's records (`moved` says where each
  // went) and room after them, synced; null when any step fails.
  std::shared_ptr<platform::JournalFile> writeWaiting(const CompactionSource& source, std::uint64_t salt,
                                                      const std::filesystem::path& freshPath,
                                                      std::map<std::uint64_t, std::uint64_t>& moved,
                                                      std::string& error);
  // The new journal, which has the name now, in place of the old one; what
  // was appended to the old one after `source.end` starts at `tailStart`.
  void takeUp(std::shared_ptr<platform::JournalFile> fresh, std::uint64_t salt, const CompactionSource& source,
              const std::map<std::uint64_t, std::uint64_t>& moved, std::uint64_t tailStart) REQUIRES(mutex_);

  const OutboxLimits limits_;
  platform::JournalFiles& files_;
  mutable Mutex mutex_;
  bool opened_ GUARDED_BY(mutex_) = false;
  std::filesystem::path path_ GUARDED_BY(mutex_);
  std::shared_ptr<platform::JournalFile> journal_ GUARDED_BY(mutex_);  // null: memory only
  JournalSalt salt_ GUARDED_BY(mutex_);                                // of its records
  std::uint64_t liveJournalBytes_ GUARDED_BY(mutex_) = 0;
  std::map<PrinterKey, PrinterQueue> queues_ GUARDED_BY(mutex_);
  std::uint64_t nextId_ GUARDED_BY(mutex_) = 1;
  std::chrono::seconds holdAfter_ GUARDED_BY(mutex_){0};
  std::size_t waitingTickets_ GUARDED_BY(mutex_) = 0;
  std::uint64_t waitingBytes_ GUARDED_BY(mutex_) = 0;
  // The printers that ever confirmed a ticket (as far as the journal
  // remembers), and what waits for all others.
  std::set<PrinterKey> confirmed_ GUARDED_BY(mutex_);
  std::size_t unknownPrinterTickets_ GUARDED_BY(mutex_) = 0;
  std::uint64_t unknownPrinterBytes_ GUARDED_BY(mutex_) = 0;
  // When the oldest delivered record not yet synced was written.
  std::optional<std::chrono::steady_clock::time_point> unsyncedDeliverySince_ GUARDED_BY(mutex_);
  bool compacting_ GUARDED_BY(mutex_) = false;
  // A compaction has copied everything and is syncing and renaming the new
  // journal: nothing is appended until it is done. Hand-overs wait for it;
  // delivered tickets are recorded after it, in the journal that has the
  // name.
  bool committing_ GUARDED_BY(mutex_) = false;
  CondVar committed_;
  std::vector<std::uint64_t> deliveredUnrecorded_ GUARDED_BY(mutex_);
  std::vector<PrinterKey> confirmedUnrecorded_ GUARDED_BY(mutex_);
  // After a failed compaction, none is tried before the journal reaches
  // this size: a disk that refuses would otherwise be asked to copy the
  // whole journal again at every delivered ticket.
  std::uint64_t compactNoSoonerThan_ GUARDED_BY(mutex_) = 0;
};

}  // namespace lumetra
