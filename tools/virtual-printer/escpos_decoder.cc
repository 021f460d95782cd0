#include "escpos_decoder.h"

#include <array>
#include <cstdint>

#include "gbk_text.h"

namespace lumetra::virtual_printer {
namespace {

constexpr char kEsc = 0x1B;
constexpr char kGs = 0x1D;
constexpr char kDle = 0x10;
constexpr char kEot = 0x04;

// A text run is handed on once it is this long even without a control byte
// after it, so a stream of bare text cannot make the decoder hoard it.
constexpr std::size_t kLongestTextRun = 4096;

// A raster image larger than printers take (they stop at 4095 rows; Lumetra
// sends bands of 24 rows at most 255 bytes wide) has its header treated as
// not understood rather than waiting for megabytes that will not come.
constexpr std::size_t kLargestRasterData = 1 << 20;
constexpr std::size_t kMostRasterRows = 4095;

struct FixedCommand {
  char prefix;
  char code;
  std::size_t length;
  CommandKind kind;
};

constexpr std::array kFixedCommands{
    FixedCommand{kEsc, '@', 2, CommandKind::Initialise},   FixedCommand{kEsc, '!', 3, CommandKind::PrintMode},
    FixedCommand{kEsc, 'E', 3, CommandKind::Emphasis},     FixedCommand{kEsc, '-', 3, CommandKind::Underline},
    FixedCommand{kEsc, 'a', 3, CommandKind::Align},        FixedCommand{kEsc, '2', 2, CommandKind::DefaultLineSpacing},
    FixedCommand{kEsc, '3', 3, CommandKind::LineSpacing},  FixedCommand{kEsc, 'J', 3, CommandKind::FeedDots},
    FixedCommand{kEsc, 'd', 3, CommandKind::FeedLines},    FixedCommand{kEsc, 'p', 5, CommandKind::DrawerPulse},
    FixedCommand{kEsc, 'B', 4, CommandKind::Buzzer},       FixedCommand{kEsc, 'C', 5, CommandKind::Signal},
    FixedCommand{kGs, '!', 3, CommandKind::CharacterSize}, FixedCommand{kGs, 'a', 3, CommandKind::AutomaticStatus},
};

std::uint8_t at(std::string_view bytes, std::size_t index) { return static_cast<std::uint8_t>(bytes[index]); }

// A command of `length` bytes, or "need more" when fewer have arrived.
CommandExtent sized(std::string_view bytes, CommandKind kind, std::size_t length, bool endOfStream) {
  if (bytes.size() >= length) return {kind, length};
  if (endOfStream) return {CommandKind::NotUnderstood, bytes.size()};
  return {kind, 0};
}

// GS V m cuts at once; the m values that mean "feed n, then cut" carry n.
std::size_t cutLength(std::uint8_t mode) {
  switch (mode) {
    case 65:
    case 66:
    case 97:
    case 98:
    case 103:
    case 104:
      return 4;
    default:
      return 3;
  }
}

CommandExtent measureRasterImage(std::string_view bytes, bool endOfStream) {
  constexpr std::size_t kHeader = 8;
  if (bytes.size() < kHeader) return sized(bytes, CommandKind::RasterImage, kHeader, endOfStream);
  const std::size_t rowBytes = at(bytes, 4) + at(bytes, 5) * 256u;
  const std::size_t rows = at(bytes, 6) + at(bytes, 7) * 256u;
  if (rowBytes * rows > kLargestRasterData || rows > kMostRasterRows) return {CommandKind::NotUnderstood, kHeader};
  return sized(bytes, CommandKind::RasterImage, kHeader + rowBytes * rows, endOfStream);
}

// GS ( H pL pH fn m d...: only the process ID request (fn 48, four ID
// bytes 0x30-0x7E) is known; other functions are skipped whole.
CommandExtent measureResponseRequest(std::string_view bytes, bool endOfStream) {
  constexpr std::size_t kHeader = 5;
  if (bytes.size() < kHeader) return sized(bytes, CommandKind::ProcessId, kHeader, endOfStream);
  const std::size_t length = kHeader + at(bytes, 3) + at(bytes, 4) * 256u;
  const CommandExtent extent = sized(bytes, CommandKind::ProcessId, length, endOfStream);
  if (extent.length == 0 || extent.kind != CommandKind::ProcessId) return extent;
  const auto idByte = [&](std::size_t index) { return at(bytes, index) >= 0x30 && at(bytes, index) <= 0x7E; };
  const bool processId =
      length == 11 && bytes[5] == 48 && bytes[6] == 48 && idByte(7) && idByte(8) && idByte(9) && idByte(10);
  return {processId ? CommandKind::ProcessId : CommandKind::NotUnderstood, length};
}

CommandExtent measureEscapeOrGroup(std::string_view bytes, bool endOfStream) {
  if (bytes.size() < 2) return sized(bytes, CommandKind::NotUnderstood, 2, endOfStream);
  for (const FixedCommand& command : kFixedCommands) {
    if (bytes[0] == command.prefix && bytes[1] == command.code) {
      return sized(bytes, command.kind, command.length, endOfStream);
    }
  }
  if (bytes[0] == kGs && bytes[1] == 'V') {
    if (bytes.size() < 3) return sized(bytes, CommandKind::Cut, 3, endOfStream);
    return sized(bytes, CommandKind::Cut, cutLength(at(bytes, 2)), endOfStream);
  }
  if (bytes[0] == kGs && bytes[1] == '(') {
    if (bytes.size() < 3) return sized(bytes, CommandKind::NotUnderstood, 3, endOfStream);
    if (bytes[2] == 'H') return measureResponseRequest(bytes, endOfStream);
  }
  if (bytes[0] == kGs && bytes[1] == 'v') {
    if (bytes.size() < 3) return sized(bytes, CommandKind::RasterImage, 3, endOfStream);
    if (bytes[2] == '0') return measureRasterImage(bytes, endOfStream);
  }
  // A control byte after the prefix starts a command of its own.
  return {CommandKind::NotUnderstood, at(bytes, 1) < 0x20 ? 1u : 2u};
}

CommandExtent measureText(std::string_view bytes, bool endOfStream) {
  const std::size_t run = gbkTextRunLength(bytes);
  if (run == 0) {
    // A lead byte whose second byte has not arrived yet.
    if (bytes.size() == 1 && isGbkLeadByte(at(bytes, 0)) && !endOfStream) return {CommandKind::Text, 0};
    return {CommandKind::NotUnderstood, 1};
  }
  const bool mayContinue = run == bytes.size() || (run + 1 == bytes.size() && isGbkLeadByte(at(bytes, run)));
  if (mayContinue && !endOfStream && run < kLongestTextRun) return {CommandKind::Text, 0};
  return {CommandKind::Text, run};
}

}  // namespace

bool isPartialCutMode(std::uint8_t mode) { return mode == 1 || mode == '1' || mode == 66 || mode == 98 || mode == 104; }

bool isKnownCutMode(std::uint8_t mode) {
  return isPartialCutMode(mode) || mode == 0 || mode == '0' || mode == 65 || mode == 97 || mode == 103;
}

CommandExtent measureCommand(std::string_view bytes, bool endOfStream) {
  switch (bytes[0]) {
    case kEsc:
    case kGs:
      return measureEscapeOrGroup(bytes, endOfStream);
    case kDle:
      if (bytes.size() >= 2 && bytes[1] == kEot) return sized(bytes, CommandKind::RealTimeStatus, 3, endOfStream);
      if (bytes.size() == 1 && !endOfStream) return {CommandKind::RealTimeStatus, 0};
      return {CommandKind::NotUnderstood, 1};
    case '\n':
      return {CommandKind::LineFeed, 1};
    case '\r':
      return {CommandKind::CarriageReturn, 1};
    case '\t':
      return {CommandKind::Tab, 1};
    case '\0':
      return {CommandKind::Nul, 1};
    default:
      return measureText(bytes, endOfStream);
  }
}

std::vector<Command> StreamDecoder::feed(std::string_view bytes) {
  pending_.append(bytes);
  return decodePending(false);
}

std::vector<Command> StreamDecoder::finish() { return decodePending(true); }

std::vector<Command> StreamDecoder::decodePending(bool endOfStream) {
  std::vector<Command> commands;
  std::size_t used = 0;
  while (used < pending_.size()) {
    const std::string_view rest = std::string_view(pending_).substr(used);
    const CommandExtent extent = measureCommand(rest, endOfStream);
    if (extent.length == 0) break;
    Command command{extent.kind, pendingOffset_ + used, std::string(rest.substr(0, extent.length))};
    used += extent.length;
    if (command.kind == CommandKind::NotUnderstood) {
      holdNotUnderstood(std::move(command), commands);
      continue;
    }
    releaseNotUnderstood(commands);
    commands.push_back(std::move(command));
  }
  if (endOfStream) releaseNotUnderstood(commands);
  pending_.erase(0, used);
  pendingOffset_ += used;
  return commands;
}

// Unknown bytes in a row become one entry however the stream was split,
// so they wait until something else (or the end) follows them.
void StreamDecoder::holdNotUnderstood(Command command, std::vector<Command>& commands) {
  if (notUnderstood_ && notUnderstood_->offset + notUnderstood_->bytes.size() == command.offset) {
    notUnderstood_->bytes += command.bytes;
    return;
  }
  releaseNotUnderstood(commands);
  notUnderstood_ = std::move(command);
}

void StreamDecoder::releaseNotUnderstood(std::vector<Command>& commands) {
  if (notUnderstood_) commands.push_back(std::move(*notUnderstood_));
  notUnderstood_.reset();
}

}  // namespace lumetra::virtual_printer
