#include "transcript.h"

#include <cstdio>

#include "gbk_text.h"

namespace lumetra::virtual_printer {
namespace {

// Bytes shown per command; a raster image's data is summarised.
constexpr std::size_t kShownBytes = 8;

std::string hex(const std::string& bytes) {
  std::string text;
  char pair[4];
  for (std::size_t i = 0; i < bytes.size() && i < kShownBytes; ++i) {
    std::snprintf(pair, sizeof pair, "%s%02x", i ? " " : "", static_cast<unsigned char>(bytes[i]));
    text += pair;
  }
  if (bytes.size() > kShownBytes) text += " +" + std::to_string(bytes.size() - kShownBytes);
  return text;
}

std::string quoted(const std::string& utf8) {
  std::string text = "\"";
  for (char c : utf8) {
    if (c == '"' || c == '\\') text += '\\';
    text += c;
  }
  return text + "\"";
}

std::string param(const Command& command, std::size_t index) { return std::to_string(command.byte(index)); }

std::string named(const Command& command, const char* prefix, std::size_t firstParam) {
  std::string name = prefix;
  for (std::size_t i = firstParam; i < command.bytes.size(); ++i) name += " " + param(command, i);
  return name;
}

std::string printModeMeaning(std::uint8_t n) {
  std::string meaning;
  const auto add = [&](bool on, const char* what) {
    if (on) meaning += meaning.empty() ? what : std::string(", ") + what;
  };
  add(n & 0x01, "font B");
  add(n & 0x08, "emphasised");
  add(n & 0x10, "double height");
  add(n & 0x20, "double width");
  add(n & 0x80, "underlined");
  return "print mode: " + (meaning.empty() ? std::string("normal") : meaning);
}

std::string sizeMeaning(std::uint8_t n) {
  return "character size " + std::to_string(((n >> 4) & 7) + 1) + " wide, " + std::to_string((n & 7) + 1) + " tall";
}

std::string alignMeaning(std::uint8_t n) {
  static const char* const kNames[] = {"align left", "align centre", "align right"};
  const std::optional<int> value = selectorValue(n);
  return value ? kNames[*value] : "align (unknown value)";
}

std::string cutMeaning(const Command& command) {
  std::string meaning = isPartialCutMode(command.byte(2)) ? "partial cut" : "full cut";
  if (command.bytes.size() == 4) meaning = "feed " + param(command, 3) + " dots, then " + meaning;
  return meaning;
}

std::string drawerMeaning(const Command& command) {
  const int pin = (command.byte(2) & 1) ? 5 : 2;
  return "cash drawer pulse on pin " + std::to_string(pin) + ": on " + std::to_string(command.byte(3) * 2) +
         " ms, off " + std::to_string(command.byte(4) * 2) + " ms";
}

std::string rasterMeaning(const Command& command) {
  const int rowBytes = command.byte(4) + command.byte(5) * 256;
  const int rows = command.byte(6) + command.byte(7) * 256;
  return "raster image " + std::to_string(rowBytes * 8) + " x " + std::to_string(rows) + " dots";
}

CommandDescription describeEscape(const Command& command) {
  switch (command.kind) {
    case CommandKind::Initialise:
      return {"ESC @", "initialise"};
    case CommandKind::PrintMode:
      return {named(command, "ESC !", 2), printModeMeaning(command.byte(2))};
    case CommandKind::CharacterSize:
      return {named(command, "GS !", 2), sizeMeaning(command.byte(2))};
    case CommandKind::Emphasis:
      return {named(command, "ESC E", 2), (command.byte(2) & 1) ? "emphasis on" : "emphasis off"};
    case CommandKind::Underline:
      return {named(command, "ESC -", 2), "underline mode " + param(command, 2)};
    case CommandKind::Align:
      return {named(command, "ESC a", 2), alignMeaning(command.byte(2))};
    case CommandKind::DefaultLineSpacing:
      return {"ESC 2", "default line spacing"};
    case CommandKind::LineSpacing:
      return {named(command, "ESC 3", 2), "line spacing " + param(command, 2) + " dots"};
    case CommandKind::FeedDots:
      return {named(command, "ESC J", 2), "print and feed " + param(command, 2) + " dots"};
    case CommandKind::FeedLines:
      return {named(command, "ESC d", 2), "print and feed " + param(command, 2) + " lines"};
    case CommandKind::Cut:
      return {named(command, "GS V", 2), cutMeaning(command)};
    case CommandKind::DrawerPulse:
      return {named(command, "ESC p", 2), drawerMeaning(command)};
    case CommandKind::Buzzer:
      return {named(command, "ESC B", 2),
              "buzzer " + param(command, 2) + " times, " + std::to_string(command.byte(3) * 50) + " ms each"};
    case CommandKind::Signal:
      return {named(command, "ESC C", 2),
              "signal buzzer " + param(command, 2) + " times (" + param(command, 3) + ", " + param(command, 4) + ")"};
    case CommandKind::RasterImage:
      return {"GS v 0 " + param(command, 3), rasterMeaning(command)};
    case CommandKind::RealTimeStatus:
      return {named(command, "DLE EOT", 2), "real-time status request"};
    case CommandKind::AutomaticStatus:
      return {named(command, "GS a", 2), command.byte(2) ? "automatic status back on" : "automatic status back off"};
    case CommandKind::ProcessId:
      return {"GS ( H 48", "process ID request \"" + command.bytes.substr(7) + "\" (answered once printed)"};
    default:
      return {"?", "not understood"};
  }
}

// One transcript line: offset right-aligned, then bytes, name and meaning
// in columns (a long entry pushes the next one on).
std::string columns(const std::string& offset, const std::string& bytes, const std::string& name,
                    const std::string& meaning) {
  constexpr std::size_t kBytesColumn = 8;
  constexpr std::size_t kNameColumn = 42;
  constexpr std::size_t kMeaningColumn = 60;
  std::string line(kBytesColumn - 2 > offset.size() ? kBytesColumn - 2 - offset.size() : 0, ' ');
  line += offset + "  " + bytes;
  line.resize(std::max(line.size() + 2, kNameColumn), ' ');
  line += name;
  line.resize(std::max(line.size() + 2, kMeaningColumn), ' ');
  return line + meaning;
}

}  // namespace

CommandDescription describeCommand(const Command& command) {
  switch (command.kind) {
    case CommandKind::Text:
      return {"text", quoted(gbkToUtf8(command.bytes))};
    case CommandKind::LineFeed:
      return {"LF", "print line and feed"};
    case CommandKind::CarriageReturn:
      return {"CR", "carriage return"};
    case CommandKind::Tab:
      return {"HT", "tab"};
    case CommandKind::Nul:
      return {"NUL", "nothing (skipped by printers)"};
    default:
      return describeEscape(command);
  }
}

void Transcript::add(const Command& command, const std::string& remark) {
  const CommandDescription description = describeCommand(command);
  std::string line = columns(std::to_string(command.offset), hex(command.bytes), description.name, description.meaning);
  if (!remark.empty()) line += " (" + remark + ")";
  lines_.push_back(std::move(line));
  if (command.kind == CommandKind::NotUnderstood) {
    notUnderstood_.push_back(std::to_string(command.bytes.size()) + " bytes at offset " +
                             std::to_string(command.offset) + ": " + hex(command.bytes));
  }
}

std::string Transcript::take() {
  std::string text = "source: " + source_ + "\n" + columns("offset", "bytes", "command", "meaning") + "\n";
  for (const std::string& line : lines_) text += line + "\n";
  for (const std::string& remark : remarks_) text += "note: " + remark + "\n";
  if (notUnderstood_.empty()) text += "not understood: nothing\n";
  for (const std::string& entry : notUnderstood_) text += "not understood: " + entry + "\n";
  lines_.clear();
  remarks_.clear();
  notUnderstood_.clear();
  return text;
}

}  // namespace lumetra::virtual_printer
