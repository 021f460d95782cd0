#include "outbox/outbox.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <string>
#include <system_error>

#include "base/log.h"
#include "base/unix_time.h"

namespace lumetra {
namespace {

constexpr char kJournalName[] = "outbox.journal";
// A page could name printers without end; only this many are remembered
// as having confirmed a ticket (a shop has a few dozen).
constexpr std::size_t kMostConfirmedPrinters = 4096;
// A hand-over may refuse tickets for any number of printers; stderr names
// this many.
constexpr std::size_t kMostRefusalLines = 8;
// Below this the journal is never rewritten: delivered records cost little.
constexpr std::uint64_t kCompactFrom = std::uint64_t{1} << 20;
// How long a delivered record may wait for a sync of the disk.
constexpr std::chrono::seconds kDeliveriesSyncedWithin{1};

std::string damageNote(const std::filesystem::path& path, const JournalScan& scan) {
  std::uint64_t bytes = 0;
  std::string where;
  for (const auto& [from, to] : scan.damaged) {
    bytes += to - from;
    where += (where.empty() ? "" : ", ") + std::to_string(from) + "-" + std::to_string(to);
  }
  return path.string() + ": skipped " + std::to_string(bytes) + " damaged bytes (torn or corrupt records) at " + where +
         "; every sound record is kept";
}

// Appends the whole records in [from, from + size) of `journal`, whose
// salt is `salt`, to `fresh`, whose salt is `freshSalt`.
bool copyRecords(const platform::JournalFile& journal, JournalSalt salt, std::uint64_t from, std::uint64_t size,
                 platform::JournalFile& fresh, std::uint64_t freshSalt) {
  if (size == 0) return true;
  const std::string bytes = journal.read(from, static_cast<std::size_t>(size));
  const std::optional<std::string> resealed = resealedRecords(bytes, salt, freshSalt);
  return bytes.size() == size && resealed && fresh.append(*resealed);
}

}  // namespace

void Outbox::open(const std::filesystem::path& folder) {
  const std::filesystem::path path = folder / kJournalName;
  std::string error;
  std::shared_ptr<platform::JournalFile> file = files_.open(path, error);
  if (!file) logf(LogLevel::error, "outbox: %s; tickets are kept in memory only until they print", error.c_str());
  JournalScan scan;
  if (file) {
    scan = scanJournal(*file);
    if (!scan.damaged.empty()) logLine(LogLevel::warning, damageNote(path, scan));
    file->setEnd(scan.end);
  }
  // A new journal gets its header, one of the first format a salt, a
  // damaged one loses its damage, so that what is appended follows sound
  // records. Nothing can be appended yet: room is made without the lock.
  const bool rewrite = file && (!scan.salt || !scan.damaged.empty());
  if (file && !rewrite) file->makeRoom();
  {
    MutexLock lock(mutex_);
    opened_ = true;
    path_ = path;
    if (!file) return;
    journal_ = std::move(file);
    salt_ = scan.salt;
    readBack(scan);
  }
  if (rewrite && !compact(error)) logf(LogLevel::warning, "outbox: %s; the journal is kept as it is", error.c_str());
}

void Outbox::readBack(const JournalScan& scan) {
  struct Waiting {
    const JournalEntry* entry = nullptr;
    std::optional<PrinterKey> movedTo;
    bool released = false;
    bool reached = false;
  };
  std::map<std::uint64_t, Waiting> waiting;
  for (const JournalEntry& entry : scan.entries) {
    if (entry.confirmed) {
      confirm(*entry.confirmed, nullptr);
      continue;
    }
    if (entry.decision != Decision::none) {
      for (const std::uint64_t id : entry.decided) {
        const auto ticket = waiting.find(id);
        if (ticket == waiting.end()) continue;
        if (entry.decision == Decision::discarded) {
          waiting.erase(ticket);
          continue;
        }
        if (entry.decision == Decision::moved) ticket->second.movedTo = entry.movedTo;
        ticket->second.released = ticket->second.released || entry.decision == Decision::released;
        ticket->second.reached = ticket->second.reached || entry.decision == Decision::reached;
      }
      continue;
    }
    nextId_ = std::max(nextId_, entry.id + 1);
    if (!entry.delivered) {
      waiting[entry.id].entry = &entry;
      continue;
    }
    // A journal of the first format names no printer that confirmed
    // tickets; those of the tickets it still has as delivered did.
    const auto ticket = waiting.find(entry.id);
    if (!scan.salt && ticket != waiting.end()) confirm(ticket->second.entry->ticket->ticket.printer, nullptr);
    if (ticket != waiting.end()) waiting.erase(ticket);
  }
  liveJournalBytes_ = 0;
  for (const auto& [id, ticket] : waiting) {
    const JournalEntry& entry = *ticket.entry;
    const PrinterKey& printer = ticket.movedTo ? *ticket.movedTo : entry.ticket->ticket.printer;
    Queued queued{id, entry.offset, entry.size, entry.size, {}, entry.ticket->handedOverUnixSeconds};
    queued.moved = ticket.movedTo && *ticket.movedTo != entry.ticket->ticket.printer;
    queued.released = ticket.released;
    queued.reached = ticket.reached;
    add(printer, queues_[printer], std::move(queued));
    liveJournalBytes_ += entry.size;
  }
}

void Outbox::add(const PrinterKey& printer, PrinterQueue& queue, Queued ticket) {
  ++waitingTickets_;
  waitingBytes_ += ticket.bytes;
  queue.bytes += ticket.bytes;
  if (!confirmed_.contains(printer)) {
    ++unknownPrinterTickets_;
    unknownPrinterBytes_ += ticket.bytes;
  }
  queue.tickets.push_back(std::move(ticket));
}

void Outbox::uncount(const PrinterKey& printer, PrinterQueue& queue, const Queued& ticket) {
  --waitingTickets_;
  waitingBytes_ -= ticket.bytes;
  queue.bytes -= ticket.bytes;
  if (!confirmed_.contains(printer)) {
    --unknownPrinterTickets_;
    unknownPrinterBytes_ -= ticket.bytes;
  }
  if (ticket.size != 0) liveJournalBytes_ -= ticket.size;
}

bool Outbox::confirm(const PrinterKey& printer, const PrinterQueue* queue) {
  if (confirmed_.size() >= kMostConfirmedPrinters || !confirmed_.insert(printer).second) return false;
  if (queue) {
    unknownPrinterTickets_ -= queue->tickets.size();
    unknownPrinterBytes_ -= queue->bytes;
  }
  return true;
}

OverLimit Outbox::overLimit(const PrinterKey& printer, std::uint64_t bytes) const {
  const auto queue = queues_.find(printer);
  const std::size_t waiting = queue == queues_.end() ? 0 : queue->second.tickets.size();
  if (waiting >= limits_.ticketsPerPrinter) return OverLimit::printerFull;
  if (!confirmed_.contains(printer) &&
      (waiting >= limits_.ticketsPerUnknownPrinter || unknownPrinterTickets_ >= limits_.unknownPrinterTickets ||
       unknownPrinterBytes_ + bytes > limits_.unknownPrinterBytes)) {
    return OverLimit::unknownPrinterFull;
  }
  if (waitingTickets_ >= limits_.tickets || waitingBytes_ + bytes > limits_.bytes) return OverLimit::outboxFull;
  return OverLimit::none;
}

OverLimit Outbox::wouldRefuse(const PrinterKey& printer) const {
  MutexLock lock(mutex_);
  // A ticket takes a byte at least: room for none is no room.
  return overLimit(printer, 1);
}

void Outbox::logRefused(const std::vector<Refused>& refused) const {
  if (refused.size() > kMostRefusalLines) {
    logf(LogLevel::warning, "outbox: tickets for %zu printers were not taken; the first %zu:", refused.size(),
         kMostRefusalLines);
  }
  for (std::size_t i = 0; i < std::min(refused.size(), kMostRefusalLines); ++i) {
    const auto& [printer, why, tickets] = refused[i];
    const auto queue = queues_.find(printer);
    const std::size_t waiting = queue == queues_.end() ? 0 : queue->second.tickets.size();
    switch (why) {
      case OverLimit::printerFull:
        logf(LogLevel::warning, "outbox: %zu tickets already wait for %s; %zu more were not taken", waiting,
             printer.name.c_str(), tickets);
        break;
      case OverLimit::unknownPrinterFull:
        logf(LogLevel::warning,
             "outbox: %s has never printed a ticket and %zu tickets already wait for it (%zu for all such "
             "printers); %zu more were not taken",
             printer.name.c_str(), waiting, unknownPrinterTickets_, tickets);
        break;
      case OverLimit::outboxFull:
      case OverLimit::none:
        logf(LogLevel::warning,
             "outbox: %zu tickets (%llu MiB) already wait for their printers; %zu more for %s were not taken",
             waitingTickets_, static_cast<unsigned long long>(waitingBytes_ >> 20), tickets, printer.name.c_str());
        break;
    }
  }
}

std::vector<Refused> Outbox::handOver(std::vector<Ticket> tickets) {
  const std::int64_t now = unixSecondsNow();
  std::map<std::pair<PrinterKey, OverLimit>, std::size_t> refusedTickets;
  std::vector<Refused> refused;
  std::shared_ptr<platform::JournalFile> journal;
  {
    MutexLock lock(mutex_);
    if (!opened_) {
      logLine(LogLevel::error, "outbox: tickets handed over before delivery started were not taken");
      return refused;
    }
    // Its records must reach the journal that keeps the name.
    while (committing_) committed_.wait(mutex_);
    std::string records;
    std::vector<Queued*> added;
    std::vector<std::shared_ptr<const Ticket>> kept;
    for (Ticket& ticket : tickets) {
      std::string record = ticketRecord(TicketRecord{nextId_, now, ticket}, salt_);
      if (const OverLimit why = overLimit(ticket.printer, record.size()); why != OverLimit::none) {
        ++refusedTickets[{ticket.printer, why}];
        continue;
      }
      PrinterQueue& queue = queues_[ticket.printer];
      add(ticket.printer, queue,
          Queued{nextId_++, records.size(), static_cast<std::uint32_t>(record.size()), record.size(), {}, now});
      added.push_back(&queue.tickets.back());
      kept.push_back(std::make_shared<const Ticket>(std::move(ticket)));
      records += record;
    }
    for (const auto& [key, count] : refusedTickets) refused.push_back(Refused{key.first, key.second, count});
    logRefused(refused);
    if (added.empty()) return refused;
    const std::uint64_t start = journal_ ? journal_->end() : 0;
    const bool journalled = journal_ && journal_->append(records);
    if (journal_ && !journalled) {
      logf(LogLevel::error, "outbox: cannot write %s (%s); these tickets are kept in memory only until they print",
           path_.c_str(), std::generic_category().message(errno).c_str());
    }
    for (std::size_t i = 0; i < added.size(); ++i) {
      if (journalled) {
        added[i]->offset += start;
        liveJournalBytes_ += added[i]->size;
      } else {
        added[i]->size = 0;
        added[i]->inMemory = std::move(kept[i]);
      }
    }
    if (journalled) journal = journal_;
  }
  if (journal && !journal->sync()) {
    logLine(LogLevel::warning, "outbox: cannot sync the journal: tickets may not survive a power cut");
  }
  return refused;
}

std::vector<PrinterKey> Outbox::printersWaiting(PrinterKind kind) const {
  MutexLock lock(mutex_);
  std::vector<PrinterKey> printers;
  for (const auto& [printer, queue] : queues_) {
    if (printer.kind == kind && !queue.tickets.empty()) printers.push_back(printer);
  }
  return printers;
}

void Outbox::holdAfter(std::chrono::seconds age) {
  MutexLock lock(mutex_);
  holdAfter_ = age;
}

Outbox::Queued* Outbox::find(const PrinterKey& printer, std::uint64_t id) {
  const auto queue = queues_.find(printer);
  if (queue == queues_.end()) return nullptr;
  for (Queued& ticket : queue->second.tickets) {
    if (ticket.id == id) return &ticket;
  }
  return nullptr;
}

std::optional<TicketToDeliver> Outbox::first(const PrinterKey& printer) {
  const std::int64_t now = unixSecondsNow();
  for (;;) {
    Queued next;
    std::shared_ptr<platform::JournalFile> journal;
    JournalSalt salt;
    {
      MutexLock lock(mutex_);
      const auto queue = queues_.find(printer);
      if (queue == queues_.end()) return std::nullopt;
      const auto ticket =
          std::find_if(queue->second.tickets.begin(), queue->second.tickets.end(),
                       [&, holdAfter = holdAfter_](const Queued& queued) { return !queued.heldAt(holdAfter, now); });
      if (ticket == queue->second.tickets.end()) return std::nullopt;
      ticket->onItsWay = true;
      next = *ticket;
      journal = journal_;
      salt = salt_;
    }
    if (next.inMemory) return TicketToDeliver{next.id, *next.inMemory, next.reached};
    // The journal in hand still holds the record, even when it has been
    // rewritten since: the old file stays open until it is let go. A read
    // the disk failed once may well succeed when tried again.
    for (int attempt = 0; attempt < 2; ++attempt) {
      if (std::optional<TicketRecord> record = readTicketRecord(*journal, salt, next.offset, next.size)) {
        return TicketToDeliver{next.id, std::move(record->ticket), next.reached};
      }
    }
    logf(LogLevel::error, "outbox: ticket %llu for %s cannot be read back from the journal (disk error); it is dropped",
         static_cast<unsigned long long>(next.id), printer.name.c_str());
    remove(printer, next.id, false);
  }
}

void Outbox::putBack(const PrinterKey& printer, std::uint64_t id) {
  MutexLock lock(mutex_);
  if (Queued* ticket = find(printer, id)) ticket->onItsWay = false;
}

void Outbox::reached(const PrinterKey& printer, std::uint64_t id) {
  MutexLock lock(mutex_);
  Queued* ticket = find(printer, id);
  if (!ticket || ticket->reached) return;
  ticket->reached = true;
  if (!journal_ || ticket->size == 0) return;
  // Its record must reach the journal that keeps the name.
  while (committing_) committed_.wait(mutex_);
  if (!journal_->append(decisionRecord(Decision::reached, {id}, salt_))) {
    logLine(LogLevel::warning, "outbox: cannot record a ticket on its way; after a restart it is not marked a copy");
  }
  // Synced with the next delivered records: a crash of the process keeps
  // it in the page cache, a power cut before may lose the mark.
  if (!unsyncedDeliverySince_) unsyncedDeliverySince_ = std::chrono::steady_clock::now();
}

std::vector<std::uint64_t> Outbox::idsOf(const PrinterKey& printer, TicketChoice choice) const {
  const std::int64_t now = unixSecondsNow();
  std::vector<std::uint64_t> ids;
  MutexLock lock(mutex_);
  const auto queue = queues_.find(printer);
  if (queue == queues_.end()) return ids;
  for (const Queued& ticket : queue->second.tickets) {
    if (!ticket.onItsWay && (choice == TicketChoice::all || ticket.heldAt(holdAfter_, now))) ids.push_back(ticket.id);
  }
  return ids;
}

bool Outbox::journalDecision(Decision decision, const std::vector<std::uint64_t>& ids, const PrinterKey& target) {
  std::shared_ptr<platform::JournalFile> journal;
  {
    MutexLock lock(mutex_);
    if (!journal_) return true;  // memory only: nothing to record it in
    while (committing_) committed_.wait(mutex_);
    if (!journal_->append(decisionRecord(decision, ids, salt_, target))) {
      logf(LogLevel::error, "outbox: cannot write %s (%s); the tickets are left as they were", path_.c_str(),
           std::generic_category().message(errno).c_str());
      return false;
    }
    journal = journal_;
  }
  if (!journal->sync()) logLine(LogLevel::warning, "outbox: cannot sync the journal: a decision may be lost");
  return true;
}

std::vector<Outbox::Queued> Outbox::takeOut(const PrinterKey& printer, const std::vector<std::uint64_t>& ids) {
  std::vector<Queued> taken;
  const auto queue = queues_.find(printer);
  if (queue == queues_.end()) return taken;
  std::deque<Queued>& tickets = queue->second.tickets;
  for (auto ticket = tickets.begin(); ticket != tickets.end();) {
    // Only those the record names: one taken on its way meanwhile stays.
    if (ticket->onItsWay || !std::binary_search(ids.begin(), ids.end(), ticket->id)) {
      ++ticket;
      continue;
    }
    uncount(printer, queue->second, *ticket);
    taken.push_back(std::move(*ticket));
    ticket = tickets.erase(ticket);
  }
  if (tickets.empty()) queues_.erase(queue);
  return taken;
}

std::size_t Outbox::move(const PrinterKey& from, const PrinterKey& to) {
  if (from == to) return 0;
  const std::vector<std::uint64_t> ids = idsOf(from, TicketChoice::all);
  if (ids.empty() || !journalDecision(Decision::moved, ids, to)) return 0;
  MutexLock lock(mutex_);
  std::vector<Queued> moved = takeOut(from, ids);
  PrinterQueue& target = queues_[to];
  for (Queued& ticket : moved) {
    ticket.moved = true;
    if (ticket.size != 0) liveJournalBytes_ += ticket.size;
    add(to, target, std::move(ticket));
  }
  if (target.tickets.empty()) queues_.erase(to);
  return moved.size();
}

std::size_t Outbox::discard(const PrinterKey& printer, TicketChoice choice) {
  const std::vector<std::uint64_t> ids = idsOf(printer, choice);
  if (ids.empty() || !journalDecision(Decision::discarded, ids)) return 0;
  MutexLock lock(mutex_);
  return takeOut(printer, ids).size();
}

std::size_t Outbox::releaseHeld(const PrinterKey& printer) {
  const std::vector<std::uint64_t> ids = idsOf(printer, TicketChoice::held);
  if (ids.empty() || !journalDecision(Decision::released, ids)) return 0;
  MutexLock lock(mutex_);
  std::size_t released = 0;
  for (const std::uint64_t id : ids) {
    if (Queued* ticket = find(printer, id)) {
      ticket->released = true;
      ++released;
    }
  }
  return released;
}

std::size_t Outbox::heldFor(const PrinterKey& printer) const {
  const std::int64_t now = unixSecondsNow();
  MutexLock lock(mutex_);
  const auto queue = queues_.find(printer);
  if (queue == queues_.end()) return 0;
  return static_cast<std::size_t>(
      std::count_if(queue->second.tickets.begin(), queue->second.tickets.end(),
                    [&, holdAfter = holdAfter_](const Queued& ticket) { return ticket.heldAt(holdAfter, now); }));
}

std::vector<PrinterKey> Outbox::printersHolding() const {
  const std::int64_t now = unixSecondsNow();
  MutexLock lock(mutex_);
  std::vector<PrinterKey> printers;
  for (const auto& [printer, queue] : queues_) {
    if (std::any_of(queue.tickets.begin(), queue.tickets.end(),
                    [&, holdAfter = holdAfter_](const Queued& ticket) { return ticket.heldAt(holdAfter, now); })) {
      printers.push_back(printer);
    }
  }
  return printers;
}

std::size_t Outbox::remove(const PrinterKey& printer, std::uint64_t id, bool confirmed) {
  MutexLock lock(mutex_);
  const auto entry = queues_.find(printer);
  if (entry == queues_.end()) return 0;
  PrinterQueue& queue = entry->second;
  const auto ticket =
      std::find_if(queue.tickets.begin(), queue.tickets.end(), [id](const Queued& queued) { return queued.id == id; });
  if (ticket == queue.tickets.end()) return queue.tickets.size();
  const Queued taken = *ticket;
  queue.tickets.erase(ticket);
  uncount(printer, queue, taken);
  if (taken.size != 0 && journal_) deliveredUnrecorded_.push_back(id);
  if (confirmed && confirm(printer, &queue) && journal_) confirmedUnrecorded_.push_back(printer);
  if (journal_ && !committing_) recordDeliveries();
  const std::size_t stillWaiting = queue.tickets.size();
  if (stillWaiting == 0) queues_.erase(entry);
  return stillWaiting;
}

std::size_t Outbox::delivered(const PrinterKey& printer, std::uint64_t id) {
  const std::size_t stillWaiting = remove(printer, id, true);
  compactWhenWorthIt();
  return stillWaiting;
}

void Outbox::recordDeliveries() {
  std::string records;
  for (const std::uint64_t id : deliveredUnrecorded_) records += deliveredRecord(id, salt_);
  for (const PrinterKey& printer : confirmedUnrecorded_) records += confirmedRecord(printer, salt_);
  deliveredUnrecorded_.clear();
  confirmedUnrecorded_.clear();
  if (records.empty()) return;
  if (!journal_->append(records)) {
    logLine(LogLevel::warning, "outbox: cannot record a delivered ticket; it may print again");
  }
  if (!unsyncedDeliverySince_) unsyncedDeliverySince_ = std::chrono::steady_clock::now();
}

std::optional<std::chrono::steady_clock::time_point> Outbox::syncDeliveriesWhenDue(
    std::chrono::steady_clock::time_point now) {
  std::shared_ptr<platform::JournalFile> journal;
  {
    MutexLock lock(mutex_);
    if (!unsyncedDeliverySince_ || !journal_) return std::nullopt;
    const auto due = *unsyncedDeliverySince_ + kDeliveriesSyncedWithin;
    if (now < due) return due;
    unsyncedDeliverySince_.reset();
    journal = journal_;
  }
  if (!journal->sync()) {
    logLine(LogLevel::warning, "outbox: cannot sync the journal: delivered tickets may print again after a power cut");
  }
  return std::nullopt;
}

std::size_t Outbox::waiting() const {
  MutexLock lock(mutex_);
  return waitingTickets_;
}

std::size_t Outbox::waitingFor(const PrinterKey& printer) const {
  MutexLock lock(mutex_);
  const auto queue = queues_.find(printer);
  return queue == queues_.end() ? 0 : queue->second.tickets.size();
}

std::vector<WaitingTickets> Outbox::waitingTickets() const {
  MutexLock lock(mutex_);
  std::vector<WaitingTickets> waiting;
  for (const auto& [printer, queue] : queues_) {
    if (queue.tickets.empty()) continue;
    waiting.push_back(WaitingTickets{printer, queue.tickets.size(), queue.tickets.front().handedOverUnixSeconds});
  }
  return waiting;
}

void Outbox::compactWhenWorthIt() {
  {
    MutexLock lock(mutex_);
    const std::uint64_t end = journal_ ? journal_->end() : 0;
    if (!journal_ || end < std::max(kCompactFrom, compactNoSoonerThan_) || liveJournalBytes_ * 2 > end) return;
  }
  std::string error;
  if (!compact(error)) logf(LogLevel::warning, "outbox: %s; the journal is kept as it is", error.c_str());
}

bool Outbox::compact(std::string& error) {
  CompactionSource source;
  {
    MutexLock lock(mutex_);
    if (compacting_) return true;  // another thread is at it
    compacting_ = true;
    source = compactionSource();
  }
  const bool compacted = rewriteJournal(source, error);
  MutexLock lock(mutex_);
  compacting_ = false;
  if (!compacted) compactNoSoonerThan_ = journal_->end() + kCompactFrom;
  return compacted;
}

Outbox::CompactionSource Outbox::compactionSource() const {
  CompactionSource source{journal_, salt_, journal_->end(), path_, {}, confirmed_, {}, {}, {}};
  for (const auto& [printer, queue] : queues_) {
    for (const Queued& ticket : queue.tickets) {
      if (ticket.size == 0) continue;
      source.records.emplace_back(ticket.offset, ticket.size);
      if (ticket.moved) source.moved[printer].push_back(ticket.id);
      if (ticket.released) source.released.push_back(ticket.id);
      if (ticket.reached) source.reached.push_back(ticket.id);
    }
  }
  std::sort(source.records.begin(), source.records.end());
  return source;
}

std::shared_ptr<platform::JournalFile> Outbox::writeWaiting(const CompactionSource& source, std::uint64_t salt,
                                                            const std::filesystem::path& freshPath,
                                                            std::map<std::uint64_t, std::uint64_t>& moved,
                                                            std::string& error) {
  std::shared_ptr<platform::JournalFile> fresh = files_.create(freshPath, error);
  if (!fresh) return nullptr;
  std::string start = journalHeader(salt);
  for (const PrinterKey& printer : source.confirmed) start += confirmedRecord(printer, salt);
  bool written = fresh->append(start);
  for (const auto& [offset, size] : source.records) {
    moved[offset] = fresh->end();
    written = written && copyRecords(*source.journal, source.salt, offset, size, *fresh, salt);
  }
  // The decisions still in force follow the tickets they name.
  std::string decisions;
  for (const auto& [printer, ids] : source.moved) decisions += decisionRecord(Decision::moved, ids, salt, printer);
  if (!source.released.empty()) decisions += decisionRecord(Decision::released, source.released, salt);
  if (!source.reached.empty()) decisions += decisionRecord(Decision::reached, source.reached, salt);
  written = written && (decisions.empty() || fresh->append(decisions));
  if (!written || !fresh->makeRoom()) return nullptr;
  return fresh;
}

void Outbox::takeUp(std::shared_ptr<platform::JournalFile> fresh, std::uint64_t salt, const CompactionSource& source,
                    const std::map<std::uint64_t, std::uint64_t>& moved, std::uint64_t tailStart) {
  liveJournalBytes_ = journalHeader(salt).size();
  for (auto& [printer, queue] : queues_) {
    for (Queued& ticket : queue.tickets) {
      if (ticket.size == 0) continue;
      ticket.offset = ticket.offset < source.end ? moved.at(ticket.offset) : ticket.offset - source.end + tailStart;
      liveJournalBytes_ += ticket.size;
    }
  }
  journal_ = std::move(fresh);
  salt_ = salt;
}

// The records waiting when it starts are copied without the lock; what is
// appended meanwhile is copied after them with the lock held. From then on
// nothing is appended until the new journal, synced, has taken the old
// one's name (hand-overs wait, delivered tickets are recorded after), so
// both hold every record while either may be the one found after a crash.
bool Outbox::rewriteJournal(const CompactionSource& source, std::string& error) {
  const std::uint64_t salt = source.salt ? *source.salt : newJournalSalt();
  const std::filesystem::path freshPath = source.path.string() + ".new";
  const auto failed = [&] {
    if (error.empty()) error = "cannot rewrite " + source.path.string() + ": " + std::generic_category().message(errno);
    files_.remove(freshPath);
    return false;
  };
  std::map<std::uint64_t, std::uint64_t> moved;
  std::shared_ptr<platform::JournalFile> fresh = writeWaiting(source, salt, freshPath, moved, error);
  if (!fresh) return failed();
  std::uint64_t tailStart = 0;
  bool tailCopied = false;
  {
    MutexLock lock(mutex_);
    tailStart = fresh->end();
    tailCopied =
        copyRecords(*source.journal, source.salt, source.end, source.journal->end() - source.end, *fresh, salt);
    committing_ = tailCopied;
  }
  if (!tailCopied) return failed();
  const bool renamed = fresh->sync() && files_.rename(freshPath, source.path, error);
  std::string folderError;
  const bool durable = renamed && files_.syncFolder(source.path.parent_path(), folderError);
  {
    MutexLock lock(mutex_);
    committing_ = false;
    if (renamed) takeUp(std::move(fresh), salt, source, moved, tailStart);
    recordDeliveries();
    committed_.notifyAll();
  }
  if (!renamed) return failed();
  if (!durable) {
    logf(LogLevel::warning, "outbox: %s: the rewritten journal may lose its name in a power cut", folderError.c_str());
  }
  return true;
}

}  // namespace lumetra
