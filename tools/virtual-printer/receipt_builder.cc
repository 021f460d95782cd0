#include "receipt_builder.h"

#include <algorithm>

#include "gbk_text.h"

namespace lumetra::virtual_printer {
namespace {

// Cell sizes of the printers' built-in fonts, in dots.
constexpr int kFontAWidth = 12;
constexpr int kFontAHeight = 24;
constexpr int kFontBWidth = 9;
constexpr int kFontBHeight = 17;
constexpr int kChineseCell = 24;
constexpr int kTabColumns = 8;
// Two metres of paper.
constexpr int kLongestPieceDots = 16000;

std::string characters(std::size_t count) {
  return std::to_string(count) + (count == 1 ? " character" : " characters");
}

}  // namespace

ReceiptBuilder::ReceiptBuilder(int paperDots) { receipt_.paperDots = paperDots; }

std::string ReceiptBuilder::apply(const Command& command) {
  switch (command.kind) {
    case CommandKind::Initialise:
      return initialise();
    case CommandKind::Text:
      return addText(command);
    case CommandKind::LineFeed: {
      const int printed = line_.height;
      printLine();
      feed(std::max(modes_.lineSpacing - printed, 0));
      return {};
    }
    case CommandKind::CarriageReturn:
      return "ignored: the line is printed by LF";
    case CommandKind::Tab:
      tab();
      return {};
    case CommandKind::PrintMode:
      return setPrintMode(command.byte(2));
    case CommandKind::CharacterSize:
      return setCharacterSize(command.byte(2));
    case CommandKind::Emphasis:
      modes_.emphasised = command.byte(2) & 1;
      return {};
    case CommandKind::Underline:
      return setUnderline(command.byte(2));
    case CommandKind::Align:
      return setAlignment(command.byte(2));
    case CommandKind::DefaultLineSpacing:
      modes_.lineSpacing = PrintModes{}.lineSpacing;
      return {};
    case CommandKind::LineSpacing:
      modes_.lineSpacing = command.byte(2);
      return {};
    case CommandKind::FeedDots:
      printLine();
      feed(command.byte(2));
      return {};
    case CommandKind::FeedLines: {
      const int printed = line_.height;
      printLine();
      feed(std::max(command.byte(2) * modes_.lineSpacing - printed, 0));
      return {};
    }
    case CommandKind::Cut:
      return cut(command);
    case CommandKind::RasterImage:
      return placeImage(command);
    case CommandKind::Nul:
    case CommandKind::DrawerPulse:
    case CommandKind::Buzzer:
    case CommandKind::Signal:
    case CommandKind::RealTimeStatus:
    case CommandKind::AutomaticStatus:
    case CommandKind::ProcessId:
    case CommandKind::NotUnderstood:
      return {};
  }
  return {};
}

bool ReceiptBuilder::pieceFull() const { return receipt_.length >= kLongestPieceDots; }

Receipt ReceiptBuilder::takeReceipt() {
  Receipt finished = std::move(receipt_);
  receipt_ = Receipt{};
  receipt_.paperDots = finished.paperDots;
  return finished;
}

std::string ReceiptBuilder::unprintedTextRemark() const {
  if (line_.glyphs.empty()) return {};
  return "text never printed (no LF, feed or cut after it): " + characters(line_.glyphs.size());
}

std::string ReceiptBuilder::initialise() {
  std::string remark;
  if (!line_.glyphs.empty()) {
    remark = "discards unprinted text: " + characters(line_.glyphs.size());
  }
  line_ = LineBuffer{};
  modes_ = PrintModes{};
  return remark;
}

std::string ReceiptBuilder::addText(const Command& command) {
  for (const TextCharacter& character : splitGbkText(command.bytes)) {
    addGlyph(character.codePoint, character.doubleByte());
  }
  return {};
}

void ReceiptBuilder::addGlyph(char32_t codePoint, bool doubleByte) {
  const int baseWidth = doubleByte ? kChineseCell : (modes_.fontB ? kFontBWidth : kFontAWidth);
  const int baseHeight = doubleByte ? kChineseCell : (modes_.fontB ? kFontBHeight : kFontAHeight);
  const int width = baseWidth * modes_.widthScale;
  const int height = baseHeight * modes_.heightScale;
  if (line_.width + width > receipt_.paperDots && !line_.glyphs.empty()) {
    // A full line prints and the character starts the next one.
    const int printed = line_.height;
    printLine();
    feed(std::max(modes_.lineSpacing - printed, 0));
  }
  if (line_.glyphs.empty() && line_.width == 0) line_.alignment = modes_.alignment;
  line_.glyphs.push_back({codePoint, line_.width, width, height, modes_.emphasised, modes_.underlineDots});
  line_.width += width;
  line_.height = std::max(line_.height, height);
}

void ReceiptBuilder::tab() {
  const int stop = kTabColumns * kFontAWidth;
  const int next = (line_.width / stop + 1) * stop;
  // A tab past the printable area is ignored, as printers do.
  if (next <= receipt_.paperDots) {
    if (line_.glyphs.empty() && line_.width == 0) line_.alignment = modes_.alignment;
    line_.width = next;
  }
}

void ReceiptBuilder::printLine() {
  if (!line_.glyphs.empty()) {
    receipt_.lines.push_back(
        {receipt_.length, alignedLeft(line_.alignment, line_.width), line_.height, std::move(line_.glyphs)});
    receipt_.length += line_.height;
    ++linesPrinted_;
  }
  line_ = LineBuffer{};
}

void ReceiptBuilder::feed(int dots) { receipt_.length += dots; }

int ReceiptBuilder::alignedLeft(Alignment alignment, int width) const {
  const int room = std::max(receipt_.paperDots - width, 0);
  switch (alignment) {
    case Alignment::Left:
      return 0;
    case Alignment::Centre:
      return room / 2;
    case Alignment::Right:
      return room;
  }
  return 0;
}

std::string ReceiptBuilder::setPrintMode(std::uint8_t n) {
  modes_.fontB = n & 0x01;
  modes_.emphasised = n & 0x08;
  modes_.heightScale = (n & 0x10) ? 2 : 1;
  modes_.widthScale = (n & 0x20) ? 2 : 1;
  modes_.underlineDots = (n & 0x80) ? 1 : 0;
  return {};
}

std::string ReceiptBuilder::setCharacterSize(std::uint8_t n) {
  if (n & 0x88) return "ignored: not a character size";
  modes_.widthScale = ((n >> 4) & 0x07) + 1;
  modes_.heightScale = (n & 0x07) + 1;
  return {};
}

std::string ReceiptBuilder::setUnderline(std::uint8_t n) {
  const std::optional<int> dots = selectorValue(n);
  if (!dots) return "ignored: not an underline mode";
  modes_.underlineDots = *dots;
  return {};
}

std::string ReceiptBuilder::setAlignment(std::uint8_t n) {
  const std::optional<int> value = selectorValue(n);
  if (!value) return "ignored: not an alignment";
  modes_.alignment = static_cast<Alignment>(*value);
  if (!line_.glyphs.empty()) return "the line already started keeps its alignment";
  return {};
}

std::string ReceiptBuilder::cut(const Command& command) {
  printLine();
  if (command.bytes.size() == 4) feed(command.byte(3));
  const std::uint8_t mode = command.byte(2);
  receipt_.cut = isPartialCutMode(mode) ? CutKind::Partial : CutKind::Full;
  return isKnownCutMode(mode) ? std::string() : "unknown cut mode: taken as a full cut";
}

std::string ReceiptBuilder::placeImage(const Command& command) {
  printLine();
  const std::uint8_t mode = command.byte(3);
  const bool known = mode <= 3 || (mode >= '0' && mode <= '3');
  const int scaleBits = known ? (mode & 0x03) : 0;
  PrintedImage image{receipt_.length,
                     0,
                     command.byte(4) + command.byte(5) * 256,
                     command.byte(6) + command.byte(7) * 256,
                     (scaleBits & 1) ? 2 : 1,
                     (scaleBits & 2) ? 2 : 1,
                     command.bytes.substr(8)};
  if (image.rows == 0 || image.rowBytes == 0) return "empty image: nothing printed";
  const int width = image.rowBytes * 8 * image.widthScale;
  image.left = alignedLeft(modes_.alignment, width);
  receipt_.length += image.rows * image.heightScale;
  ++linesPrinted_;
  receipt_.images.push_back(std::move(image));
  std::string remark = known ? "" : "unknown mode: drawn at normal size";
  if (width > receipt_.paperDots) {
    if (!remark.empty()) remark += "; ";
    remark += std::to_string(width - receipt_.paperDots) + " dots wider than the paper: clipped";
  }
  return remark;
}

}  // namespace lumetra::virtual_printer
