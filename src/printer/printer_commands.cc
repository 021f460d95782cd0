#include "printer/printer_commands.h"

namespace lumetra {

namespace offset = model_offset;
namespace length = model_length;

void chooseCharacterSize(PrinterModelConfig& table, std::string_view zoom) {
  if (zoom == "zoomIn") {
    table[offset::kSizeValue] = table[offset::kWideTallSize];
  } else if (zoom == "zoomH") {
    table[offset::kSizeValue] = table[offset::kTallSize];
  } else if (zoom == "zoomW") {
    table[offset::kSizeValue] = table[offset::kWideSize];
  }
}

std::string sizeCommand(const PrinterModelConfig& table) { return table.command(offset::kSize, length::kSize); }

CommandWrites textThenNormalSize(PrinterModelConfig& table, std::string_view text) {
  CommandWrites writes{std::string(text)};
  table[offset::kSizeValue] = 0;
  writes.push_back(sizeCommand(table));
  return writes;
}

CommandWrites feedWrites(PrinterModelConfig& table, std::uint8_t amount) {
  CommandWrites writes;
  if (table[offset::kPreFeedLines] != 0) {
    table[offset::kFeedAmount] = feedUnitsForLines(table[offset::kPreFeedLines]);
    const auto repeats = static_cast<std::int8_t>(table[offset::kPreFeedRepeat]);
    for (int i = 0; i < repeats; ++i) writes.push_back(table.command(offset::kFeed, length::kFeed));
  }
  table[offset::kFeedAmount] = amount;
  writes.push_back(table.command(offset::kFeed, length::kFeed));
  return writes;
}

std::string cutCommand(PrinterModelConfig& table, bool alternativeMode) {
  if (alternativeMode) table[offset::kCutMode] = table[offset::kCutAlternative];
  return table.command(offset::kCut, length::kCut);
}

std::uint8_t feedUnitsForLines(std::int32_t lines) {
  constexpr std::uint32_t kFeedUnitsPerLine = 7;
  return static_cast<std::uint8_t>(static_cast<std::uint32_t>(lines) * kFeedUnitsPerLine);
}

std::string cashDrawerCommand(CashDrawerCommand& command, const std::optional<std::array<std::int32_t, 3>>& pulse) {
  if (pulse) {
    for (std::size_t i = 0; i < 3; ++i) command[i + 2] = static_cast<std::uint8_t>((*pulse)[i]);
  }
  return std::string(command.begin(), command.end());
}

}  // namespace lumetra
