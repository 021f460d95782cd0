#include "tasks/task_layout.h"

#include <algorithm>
#include <array>

#include "base/code_page.h"
#include "base/utf.h"

namespace lumetra {
namespace {

namespace at = model_offset;
namespace len = model_length;

// Text remarks.
constexpr std::int32_t kNormalSize = 0;
constexpr std::int32_t kTallSize = 1;
constexpr std::int32_t kWideSize = 2;
constexpr std::int32_t kWideTallSize = 3;
constexpr std::int32_t kAlignedBit = 4;
constexpr std::int32_t kLine = 9;

constexpr std::size_t kCommandRoom = 8;

constexpr std::uint8_t kFeedStepsPerUnit = 7;
constexpr std::int32_t kUnitsPerFeedCommand = 10;

std::uint8_t lowByte(std::int32_t value) { return static_cast<std::uint8_t>(value); }

// Cuts to `width` bytes at a character boundary, padding with spaces.
void appendCutToWidth(std::string& out, std::string_view text, std::size_t width) {
  std::size_t end = 0;
  while (end < text.size()) {
    const std::size_t next = end + (isAnsiLeadByte(text[end]) ? 2 : 1);
    if (next > width) break;
    end = next;
  }
  out.append(text.substr(0, end));
  out.append(width - end, ' ');
}

void appendFittedLine(std::string& out, std::string_view ansiText, std::int32_t width, std::int32_t alignment) {
  if (!ansiText.empty() && ansiText.back() == '\n') ansiText.remove_suffix(1);
  if (width <= 0) return;
  const auto columns = static_cast<std::size_t>(width);
  if (ansiText.size() >= columns) return appendCutToWidth(out, ansiText, columns);
  const std::size_t pad = columns - ansiText.size();
  out.append(alignment == 0 ? 0 : alignment == 1 ? pad / 2 : pad, ' ');
  out.append(ansiText);
  if (alignment == 0) out.append(pad, ' ');
  out += '\n';
}

class TaskLayout {
 public:
  TaskLayout(PrinterModelConfig& commands, std::int32_t printerWidth)
      : commands_(commands), width_(printerWidth < 0 || printerWidth > kMaxLineWidth ? 0 : printerWidth) {}

  void add(const ContentItem& item) {
    std::copy(item.parameters.begin(), item.parameters.end(), slots_.begin());
    if (item.type == item_type::kText) addText(ansiTextOf(item), item.remark);
    if (item.type == item_type::kCommand) addCommand(item.remark);
    if (item.type == item_type::kImage) addImage(item.content);
  }

  // Room for the usual output at once rather than growing it line by line:
  // the text or a padded line's width and a few command bytes for each item
  // (pictures are pieces of their own).
  void reserve(const std::vector<ContentItem>& items) {
    std::size_t bytes = buffer_.size();
    for (const ContentItem& item : items) {
      if (item.type != item_type::kImage) bytes += std::max<std::size_t>(item.content.size(), width_) + kCommandRoom;
    }
    buffer_.reserve(bytes);
  }

  std::vector<TaskOutput> finish() {
    flush();
    return std::move(pieces_);
  }

 private:
  void emit(std::size_t offset, std::size_t length) { buffer_ += commands_.commandBytes(offset, length); }
  void emitSize(std::uint8_t size) {
    commands_[at::kSizeValue] = size;
    emit(at::kSize, len::kSize);
  }
  void flush() {
    if (!buffer_.empty()) pieces_.push_back({TaskOutput::Kind::kBytes, std::move(buffer_)});
    buffer_.clear();
  }

  // Plain ASCII is already what the printer takes; other text is converted
  // into a buffer kept for the whole task. An item's text already ends at
  // its first NUL.
  std::string_view ansiTextOf(const ContentItem& item) {
    const std::string_view utf8 = item.content;
    if (isAscii(utf8)) return utf8;
    converted_.clear();
    appendUtf8AsAnsi(converted_, utf8);
    return converted_;
  }

  void addText(std::string_view text, std::int32_t remark) {
    if (remark == kWideTallSize) emitSize(commands_[at::kWideTallSize]);
    if (remark == kNormalSize) emitSize(0);
    if (remark == kWideSize) emitSize(commands_[at::kWideSize]);
    if (remark == kTallSize) emitSize(commands_[at::kTallSize]);
    if (remark >= kNormalSize && remark <= kWideTallSize) {
      buffer_ += text;
    } else if (remark & kAlignedBit) {
      addAlignedLine(text, remark);
    } else {
      buffer_ += text;
      if (remark == kLine) buffer_ += "\r\n";
    }
  }

  // With an alignment command the printer aligns; a model without one (or
  // whose last aligned line stored 0) gets the line padded here.
  void addAlignedLine(std::string_view text, std::int32_t remark) {
    if (commands_[at::kAlignValue] != 0) {
      commands_[at::kAlignValue] = lowByte(slots_[0]);
      emit(at::kAlign, len::kAlign);
      buffer_ += text;
      return;
    }
    // Double-width text fills a line with half as many characters.
    const bool fullWidth = remark == 4 || remark == 5;
    if (remark == 4) emitSize(0);
    if (remark == 5) emitSize(commands_[at::kTallSize]);
    if (remark == 6) emitSize(commands_[at::kWideSize]);
    if (remark == 7) emitSize(commands_[at::kWideTallSize]);
    appendFittedLine(buffer_, text, fullWidth ? width_ : width_ >> 1, slots_[0]);
  }

  void addCommand(std::int32_t remark) {
    switch (remark) {
      case command_remark::kFeed:
        addFeed(slots_[0]);
        break;
      case command_remark::kCut:
        emit(at::kCut, len::kCut);
        break;
      case command_remark::kCashDrawer:
        commands_[at::kCashDrawer + 2] = lowByte(slots_[0]);
        commands_[at::kCashDrawer + 3] = lowByte(slots_[1]);
        commands_[at::kCashDrawer + 4] = lowByte(slots_[2]);
        emit(at::kCashDrawer, len::kCashDrawer);
        break;
      case command_remark::kBeep:
        emit(at::kBeep, len::kBeep);
        break;
      default:
        break;
    }
  }

  // The model's pre-feed first, then the units in commands of at most 70 steps.
  void addFeed(std::int32_t units) {
    if (units > kMaxFeedUnits) return;
    const auto preFeedLines = static_cast<std::int8_t>(commands_[at::kPreFeedLines]);
    const auto preFeedRepeat = static_cast<std::int8_t>(commands_[at::kPreFeedRepeat]);
    commands_[at::kFeedAmount] = lowByte(preFeedLines * kFeedStepsPerUnit);
    for (int i = 0; i < preFeedRepeat; ++i) emit(at::kFeed, len::kFeed);
    commands_[at::kFeedAmount] = kUnitsPerFeedCommand * kFeedStepsPerUnit;
    for (std::int32_t i = 0; i < units / kUnitsPerFeedCommand; ++i) emit(at::kFeed, len::kFeed);
    const std::int32_t rest = units % kUnitsPerFeedCommand;
    if (rest >= 1) {
      commands_[at::kFeedAmount] = lowByte(rest * kFeedStepsPerUnit);
      emit(at::kFeed, len::kFeed);
    }
  }

  void addImage(std::string_view imageText) {
    flush();
    pieces_.push_back({TaskOutput::Kind::kImage, std::string(imageText)});
  }

  PrinterModelConfig& commands_;
  const std::int32_t width_;
  std::array<std::int32_t, kParameterSlots> slots_{};  // fresh for every task
  std::string buffer_ = "\x1B\x40";
  std::string converted_;
  std::vector<TaskOutput> pieces_;
};

}  // namespace

std::vector<TaskOutput> layoutTaskContents(const std::vector<ContentItem>& items, PrinterModelConfig& commands,
                                           std::int32_t printerWidth) {
  TaskLayout layout(commands, printerWidth);
  layout.reserve(items);
  for (const ContentItem& item : items) layout.add(item);
  return layout.finish();
}

std::string fitToWidth(std::string_view ansiText, std::int32_t width, std::int32_t alignment) {
  std::string line;
  appendFittedLine(line, ansiText, width, alignment);
  return line;
}

}  // namespace lumetra
