#include "outbox/journal_records.h"

#include <libdeflate.h>

#include <algorithm>
#include <random>

namespace lumetra {
namespace {

constexpr std::string_view kHeaderStart = "LUMETRA OUTBOX 2";
constexpr std::string_view kFirstFormatHeader = "LUMETRA OUTBOX 1";
constexpr std::size_t kHeaderSize = kHeaderStart.size() + 8;  // and the salt
constexpr std::string_view kRecordMagic = "LJR1";
constexpr std::size_t kRecordHeaderSize = 12;  // magic, length, CRC
// A body can never be larger: the outbox's byte limit is far below it.
constexpr std::uint32_t kLongestBody = 1u << 30;
constexpr std::uint8_t kTicketBody = 1;
constexpr std::uint8_t kDeliveredBody = 2;
constexpr std::uint8_t kConfirmedBody = 3;
constexpr std::uint8_t kMovedBody = 4;
constexpr std::uint8_t kDiscardedBody = 5;
constexpr std::uint8_t kReleasedBody = 6;
constexpr std::uint8_t kReachedBody = 7;
// How far ahead a damaged stretch is searched for the next record at once.
constexpr std::size_t kSearchWindow = 1 << 16;

void putNumber(std::string& out, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>(value >> (8 * i)));
}

// Reads little-endian numbers and byte strings off the front of a body.
class BodyReader {
 public:
  explicit BodyReader(std::string_view body) : rest_(body) {}

  std::optional<std::uint64_t> number(int bytes) {
    if (rest_.size() < static_cast<std::size_t>(bytes)) return std::nullopt;
    std::uint64_t value = 0;
    for (int i = 0; i < bytes; ++i) value |= std::uint64_t{static_cast<std::uint8_t>(rest_[i])} << (8 * i);
    rest_.remove_prefix(bytes);
    return value;
  }
  std::optional<std::string> bytes(std::uint64_t length) {
    if (rest_.size() < length) return std::nullopt;
    std::string taken(rest_.substr(0, length));
    rest_.remove_prefix(length);
    return taken;
  }
  bool atEnd() const { return rest_.empty(); }

 private:
  std::string_view rest_;
};

// The body's CRC-32, taken over the journal's salt first where it has one.
std::uint32_t recordCrc(JournalSalt salt, std::string_view body) {
  std::uint32_t crc = 0;
  if (salt) {
    std::string saltBytes;
    putNumber(saltBytes, *salt, 8);
    crc = libdeflate_crc32(crc, saltBytes.data(), saltBytes.size());
  }
  return libdeflate_crc32(crc, body.data(), body.size());
}

std::string framed(std::string_view body, JournalSalt salt) {
  std::string record(kRecordMagic);
  putNumber(record, body.size(), 4);
  putNumber(record, recordCrc(salt, body), 4);
  record += body;
  return record;
}

void putPrinter(std::string& body, const PrinterKey& printer) {
  putNumber(body, static_cast<std::uint8_t>(printer.kind), 1);
  putNumber(body, printer.name.size(), 2);
  body += printer.name;
}

std::optional<PrinterKey> readPrinter(BodyReader& reader) {
  const auto kind = reader.number(1);
  const auto nameLength = reader.number(2);
  if (!kind || !nameLength) return std::nullopt;
  if (*kind != static_cast<std::uint8_t>(PrinterKind::spooler) &&
      *kind != static_cast<std::uint8_t>(PrinterKind::network)) {
    return std::nullopt;
  }
  auto name = reader.bytes(*nameLength);
  if (!name) return std::nullopt;
  return PrinterKey{static_cast<PrinterKind>(*kind), std::move(*name)};
}

// The ticket's id, time and printer, and with `withWrites` its writes.
std::optional<TicketRecord> readTicketBody(BodyReader& reader, bool withWrites) {
  TicketRecord record;
  const auto id = reader.number(8);
  const auto handedOver = reader.number(8);
  if (!id || !handedOver) return std::nullopt;
  auto printer = readPrinter(reader);
  const auto writeCount = reader.number(4);
  if (!printer || !writeCount) return std::nullopt;
  record.id = *id;
  record.handedOverUnixSeconds = static_cast<std::int64_t>(*handedOver);
  record.ticket.printer = std::move(*printer);
  if (!withWrites) return record;
  for (std::uint64_t i = 0; i < *writeCount; ++i) {
    const auto length = reader.number(4);
    auto write = length ? reader.bytes(*length) : std::nullopt;
    if (!write) return std::nullopt;
    record.ticket.writes.push_back(std::move(*write));
  }
  if (!reader.atEnd()) return std::nullopt;
  return record;
}

// The ids a decision record names, up to its end.
bool readDecided(BodyReader& reader, std::vector<std::uint64_t>& ids) {
  const auto count = reader.number(4);
  if (!count) return false;
  for (std::uint64_t i = 0; i < *count; ++i) {
    const auto id = reader.number(8);
    if (!id) return false;
    ids.push_back(*id);
  }
  return reader.atEnd();
}

std::optional<Decision> decisionOf(std::uint64_t kind) {
  switch (kind) {
    case kMovedBody:
      return Decision::moved;
    case kDiscardedBody:
      return Decision::discarded;
    case kReleasedBody:
      return Decision::released;
    case kReachedBody:
      return Decision::reached;
    default:
      return std::nullopt;
  }
}

std::optional<JournalEntry> readEntry(std::string_view body, bool withWrites) {
  BodyReader reader(body);
  const auto kind = reader.number(1);
  JournalEntry entry;
  if (const std::optional<Decision> decision = kind ? decisionOf(*kind) : std::nullopt) {
    entry.decision = *decision;
    if (*decision == Decision::moved) {
      std::optional<PrinterKey> target = readPrinter(reader);
      if (!target) return std::nullopt;
      entry.movedTo = std::move(*target);
    }
    if (!readDecided(reader, entry.decided)) return std::nullopt;
    return entry;
  }
  if (kind == kDeliveredBody) {
    const auto id = reader.number(8);
    if (!id || !reader.atEnd()) return std::nullopt;
    entry.id = *id;
    entry.delivered = true;
    return entry;
  }
  if (kind == kConfirmedBody) {
    entry.confirmed = readPrinter(reader);
    if (!entry.confirmed || !reader.atEnd()) return std::nullopt;
    return entry;
  }
  if (kind != kTicketBody) return std::nullopt;
  entry.ticket = readTicketBody(reader, withWrites);
  if (!entry.ticket) return std::nullopt;
  entry.id = entry.ticket->id;
  return entry;
}

std::uint32_t littleEndian32(std::string_view bytes) {
  std::uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value |= std::uint32_t{static_cast<std::uint8_t>(bytes[i])} << (8 * i);
  return value;
}

// The body's length when `header` is a record's header; nothing otherwise.
std::optional<std::uint32_t> bodyLength(std::string_view header) {
  if (header.size() != kRecordHeaderSize || header.substr(0, 4) != kRecordMagic) return std::nullopt;
  const std::uint32_t length = littleEndian32(header.substr(4));
  if (length > kLongestBody) return std::nullopt;
  return length;
}

bool checksOut(std::string_view header, std::string_view body, JournalSalt salt) {
  return recordCrc(salt, body) == littleEndian32(header.substr(8));
}

// The record at `offset` when it is whole and sound.
std::optional<JournalEntry> entryAt(const platform::JournalFile& file, JournalSalt salt, std::uint64_t offset,
                                    bool withWrites) {
  if (file.size() - offset < kRecordHeaderSize) return std::nullopt;
  const std::string header = file.read(offset, kRecordHeaderSize);
  const std::optional<std::uint32_t> length = bodyLength(header);
  if (!length || file.size() - offset - kRecordHeaderSize < *length) return std::nullopt;
  const std::string body = file.read(offset + kRecordHeaderSize, *length);
  if (body.size() != *length || !checksOut(header, body, salt)) return std::nullopt;
  std::optional<JournalEntry> entry = readEntry(body, withWrites);
  if (!entry) return std::nullopt;
  entry->offset = offset;
  entry->size = static_cast<std::uint32_t>(kRecordHeaderSize + *length);
  return entry;
}

// The next offset after `from` where a sound record starts; the file's
// size when there is none.
std::uint64_t nextSoundRecord(const platform::JournalFile& file, JournalSalt salt, std::uint64_t from) {
  for (std::uint64_t window = from + 1; window < file.size(); window += kSearchWindow) {
    const std::size_t length = static_cast<std::size_t>(
        std::min<std::uint64_t>(kSearchWindow + kRecordMagic.size() - 1, file.size() - window));
    const std::string bytes = file.read(window, length);
    // npos, no magic found, is never below the window.
    for (std::size_t at = bytes.find(kRecordMagic); at < kSearchWindow; at = bytes.find(kRecordMagic, at + 1)) {
      if (entryAt(file, salt, window + at, false)) return window + at;
    }
  }
  return file.size();
}

// Where the zeros that run to the end of the file start (at or after
// `from`): the journal's room for records to come.
std::uint64_t zeroTailFrom(const platform::JournalFile& file, std::uint64_t from) {
  std::uint64_t tail = file.size();
  while (tail > from) {
    const std::uint64_t start = tail - std::min<std::uint64_t>(kSearchWindow, tail - from);
    const std::string bytes = file.read(start, static_cast<std::size_t>(tail - start));
    const std::size_t lastSet = bytes.find_last_not_of('\0');
    if (lastSet != std::string::npos) return start + lastSet + 1;
    tail = start;
  }
  return from;
}

}  // namespace

std::size_t Ticket::byteCount() const {
  std::size_t count = 0;
  for (const std::string& write : writes) count += write.size();
  return count;
}

std::uint64_t newJournalSalt() {
  std::random_device device;
  return (std::uint64_t{device()} << 32) | device();
}

std::string journalHeader(std::uint64_t salt) {
  std::string header(kHeaderStart);
  putNumber(header, salt, 8);
  return header;
}

std::string ticketRecord(const TicketRecord& record, JournalSalt salt) {
  std::string body;
  body.reserve(32 + record.ticket.printer.name.size() + record.ticket.byteCount() + 4 * record.ticket.writes.size());
  putNumber(body, kTicketBody, 1);
  putNumber(body, record.id, 8);
  putNumber(body, static_cast<std::uint64_t>(record.handedOverUnixSeconds), 8);
  putPrinter(body, record.ticket.printer);
  putNumber(body, record.ticket.writes.size(), 4);
  for (const std::string& write : record.ticket.writes) {
    putNumber(body, write.size(), 4);
    body += write;
  }
  return framed(body, salt);
}

std::string deliveredRecord(std::uint64_t id, JournalSalt salt) {
  std::string body;
  putNumber(body, kDeliveredBody, 1);
  putNumber(body, id, 8);
  return framed(body, salt);
}

std::string confirmedRecord(const PrinterKey& printer, JournalSalt salt) {
  std::string body;
  putNumber(body, kConfirmedBody, 1);
  putPrinter(body, printer);
  return framed(body, salt);
}

std::string decisionRecord(Decision decision, const std::vector<std::uint64_t>& ids, JournalSalt salt,
                           const PrinterKey& target) {
  static constexpr std::uint8_t kBodies[] = {0, kMovedBody, kDiscardedBody, kReleasedBody, kReachedBody};
  std::string body;
  body.reserve(8 + target.name.size() + 8 * ids.size());
  putNumber(body, kBodies[static_cast<std::size_t>(decision)], 1);
  if (decision == Decision::moved) putPrinter(body, target);
  putNumber(body, ids.size(), 4);
  for (const std::uint64_t id : ids) putNumber(body, id, 8);
  return framed(body, salt);
}

std::optional<std::string> resealedRecords(std::string_view records, JournalSalt from, JournalSalt to) {
  if (from == to) return std::string(records);
  std::string resealed;
  resealed.reserve(records.size());
  while (!records.empty()) {
    const std::string_view header = records.substr(0, kRecordHeaderSize);
    const std::optional<std::uint32_t> length = bodyLength(header);
    if (!length || records.size() - kRecordHeaderSize < *length) return std::nullopt;
    const std::string_view body = records.substr(kRecordHeaderSize, *length);
    if (!checksOut(header, body, from)) return std::nullopt;
    resealed += framed(body, to);
    records.remove_prefix(kRecordHeaderSize + *length);
  }
  return resealed;
}

std::optional<TicketRecord> readTicketRecord(const platform::JournalFile& file, JournalSalt salt, std::uint64_t offset,
                                             std::uint32_t size) {
  std::optional<JournalEntry> entry = entryAt(file, salt, offset, true);
  if (!entry || entry->size != size || !entry->ticket) return std::nullopt;
  return std::move(entry->ticket);
}

JournalScan scanJournal(const platform::JournalFile& file) {
  JournalScan scan;
  std::uint64_t offset = 0;
  if (const std::string header = file.read(0, kHeaderSize); header.starts_with(kHeaderStart)) {
    BodyReader salt(std::string_view(header).substr(kHeaderStart.size()));
    scan.salt = salt.number(8);
    offset = kHeaderSize;
  } else if (file.read(0, kFirstFormatHeader.size()) == kFirstFormatHeader) {
    offset = kFirstFormatHeader.size();
  }
  scan.end = offset;
  while (offset < file.size()) {
    if (std::optional<JournalEntry> entry = entryAt(file, scan.salt, offset, false)) {
      offset += entry->size;
      scan.end = offset;
      scan.entries.push_back(std::move(*entry));
      continue;
    }
    const std::uint64_t zeros = zeroTailFrom(file, offset);
    if (zeros == offset) break;  // the room after the last record
    const std::uint64_t next = nextSoundRecord(file, scan.salt, offset);
    scan.damaged.emplace_back(offset, std::min(next, zeros));
    offset = next;
  }
  return scan;
}

}  // namespace lumetra
