#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files/journal_file.h"

namespace lumetra {

// Where a ticket goes: a spooler queue by name, or a network printer by
// its IPv4 address (dotted, as inet_ntoa writes it, so that every spelling
// of one address is one printer).
enum class PrinterKind : std::uint8_t { spooler = 2, network = 3 };

struct PrinterKey {
  PrinterKind kind = PrinterKind::network;
  std::string name;  // UTF-8

  auto operator<=>(const PrinterKey&) const = default;
};

// One ticket as its printer is to receive it: a print task laid out, or
// one kitchen run's items for one printer. A spooler queue gets each write
// as one write of its document; a network printer gets them as one stream.
struct Ticket {
  PrinterKey printer;
  std::vector<std::string> writes;

  std::size_t byteCount() const;
};

// A ticket as the journal holds it.
struct TicketRecord {
  std::uint64_t id = 0;
  std::int64_t handedOverUnixSeconds = 0;
  Ticket ticket;
};

// The journal ("outbox.journal") is a header, "LUMETRA OUTBOX 2" and the
// journal's salt (u64), followed by records, each
//   magic "LJR1" | body length (u32) | CRC-32 of salt and body (u32) | body
// with every number little-endian. A body is either
//   1 (u8) | id (u64) | handed over (i64 Unix seconds) | printer kind (u8) |
//   name length (u16) | name | write count (u32) | (length (u32) | bytes)...
// for a ticket handed over,
//   2 (u8) | id (u64)
// once that ticket has been delivered, or
//   3 (u8) | printer kind (u8) | name length (u16) | name
// the first time a printer confirmed a ticket, or a decision on waiting
// tickets, one record for each:
//   4 (u8) | printer kind (u8) | name length (u16) | name | count (u32) | ids (u64)...
// they go to that printer from now on (a backup took over, or the staff sent
// them there);
//   5 (u8) | count (u32) | ids (u64)...   the staff discarded them;
//   6 (u8) | count (u32) | ids (u64)...   the staff let old tickets print;
//   7 (u8) | count (u32) | ids (u64)...   bytes of them reached the printer
// (a copy sent after this may print twice, and is marked as one).
//
// The salt is a random number each journal is given when it is written
// anew. A page chooses a ticket's bytes, and they may hold whole records;
// not knowing the salt, it cannot make them check out, so the search for
// the next sound record after a damaged one never takes them for the
// journal's own. Journals of the first format ("LUMETRA OUTBOX 1") have no
// salt and a CRC of the body alone; they are read, then written anew.
using JournalSalt = std::optional<std::uint64_t>;  // nothing: the first format
std::uint64_t newJournalSalt();
std::string journalHeader(std::uint64_t salt);

std::string ticketRecord(const TicketRecord& record, JournalSalt salt);
std::string deliveredRecord(std::uint64_t id, JournalSalt salt);
std::string confirmedRecord(const PrinterKey& printer, JournalSalt salt);

// What a decision record says of the tickets it names.
enum class Decision : std::uint8_t { none, moved, discarded, released, reached };
std::string decisionRecord(Decision decision, const std::vector<std::uint64_t>& ids, JournalSalt salt,
                           const PrinterKey& target = {});
// Whole records framed for a journal of salt `from`, framed anew for one of
// salt `to`; nothing when any of them does not check out.
std::optional<std::string> resealedRecords(std::string_view records, JournalSalt from, JournalSalt to);

// What one record of the journal says.
struct JournalEntry {
  std::uint64_t offset = 0;  // where the whole record starts
  std::uint32_t size = 0;    // of the whole record
  std::uint64_t id = 0;      // of the ticket handed over or delivered
  bool delivered = false;
  std::optional<TicketRecord> ticket;   // with its writes only when asked for
  std::optional<PrinterKey> confirmed;  // a printer that confirmed a ticket
  Decision decision = Decision::none;   // on the tickets `decided`
  std::vector<std::uint64_t> decided;
  PrinterKey movedTo;  // for Decision::moved
};

// Reads the ticket record at `offset` (`size` bytes) back in full; nothing
// when it does not check out.
std::optional<TicketRecord> readTicketRecord(const platform::JournalFile& file, JournalSalt salt, std::uint64_t offset,
                                             std::uint32_t size);

// Every sound record of the journal, in order, without the tickets'
// writes. Damaged stretches (a torn last record, bytes that were never a
// record) are passed over, resuming at the next sound record, and reported
// as [from, to) offsets; `end` is where the last sound record ends. The
// zeros after it are room for more. A file without a header is read as
// one of the first format.
struct JournalScan {
  JournalSalt salt;
  std::vector<JournalEntry> entries;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> damaged;
  std::uint64_t end = 0;
};
JournalScan scanJournal(const platform::JournalFile& file);

}  // namespace lumetra
