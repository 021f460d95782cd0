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
  std::map<std::uint64_t, const JournalEntry*> waiting;
  for (const JournalEntry& entry : scan.entries) {
    if (entry.confirmed) {
      confirm(*entry.confirmed, nullptr);
      continue;
    }
    nextId_ = std::max(nextId_, entry.id + 1);
    if (!entry.delivered) {
      waiting[entry.id] = &entry;
      continue;
    }
    // A journal of the first format names no printer that confirmed
    // tickets; those of the tickets it still has as delivered did.
    const auto ticket = waiting.find(entry.id);
    if (!scan.salt && ticket != waiting.end()) confirm(ticket->second->ticket->ticket.printer, nullptr);
    if (ticket != waiting.end()) waiting.erase(ticket);
  }
  liveJournalBytes_ = 0;
  for (const auto& [id, entry] : waiting) {
    const PrinterKey& printer = entry->ticket->ticket.printer;
    add(printer, queues_[printer], Queued{id, entry->offset, entry->size, entry->size, {}});
    liveJournalBytes_ += entry->size;
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

void Outbox::release(const PrinterKey& printer, PrinterQueue& queue, const Queued& ticket) {
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
          Queued{nextId_++, records.size(), static_cast<std::uint32_t>(record.size()), record.size(), {}});
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

std::optional<TicketToDeliver> Outbox::first(const PrinterKey& printer) {
  for (;;) {
    Queued front;
    std::shared_ptr<platform::JournalFile> journal;
    JournalSalt salt;
    {
      MutexLock lock(mutex_);
      const auto queue = queues_.find(printer);
      if (queue == queues_.end() || queue->second.tickets.empty()) return std::nullopt;
      front = queue->second.tickets.front();
      journal = journal_;
      salt = salt_;
    }
    if (front.inMemory) return TicketToDeliver{front.id, *front.inMemory};
    // The journal in hand still holds the record, even when it has been
    // rewritten since: the old file stays open until it is let go. A read
    // the disk failed once may well succeed when tried again.
    for (int attempt = 0; attempt < 2; ++attempt) {
      if (std::optional<TicketRecord> record = readTicketRecord(*journal, salt, front.offset, front.size)) {
        return TicketToDeliver{front.id, std::move(record->ticket)};
      }
    }
    logf(LogLevel::error, "outbox: ticket %llu for %s cannot be read back from the journal (disk error); it is dropped",
         static_cast<unsigned long long>(front.id), printer.name.c_str());
    remove(printer, front.id, false);
  }
}

std::size_t Outbox::remove(const PrinterKey& printer, std::uint64_t id, bool confirmed) {
  MutexLock lock(mutex_);
  const auto entry = queues_.find(printer);
  if (entry == queues_.end()) return 0;
  PrinterQueue& queue = entry->second;
  if (queue.tickets.empty() || queue.tickets.front().id != id) return queue.tickets.size();
  const Queued front = queue.tickets.front();
  queue.tickets.pop_front();
  release(printer, queue, front);
  if (front.size != 0 && journal_) deliveredUnrecorded_.push_back(id);
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
  CompactionSource source{journal_, salt_, journal_->end(), path_, {}, confirmed_};
  for (const auto& [printer, queue] : queues_) {
    for (const Queued& ticket : queue.tickets) {
      if (ticket.size != 0) source.records.emplace_back(ticket.offset, ticket.size);
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
