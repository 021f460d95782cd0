#include "net/slot_commands.h"

#include "net/net_printer_slots.h"
#include "printer/printer_registry.h"

namespace lumetra {

namespace offset = model_offset;
namespace length = model_length;

PrinterModelConfig& kitchenCommands() { return findOrCreateSession(kKitchenPrinterName).commands; }

std::uint8_t feedUnitsForLines(std::int32_t lines) {
  constexpr std::uint32_t kFeedUnitsPerLine = 7;
  return static_cast<std::uint8_t>(static_cast<std::uint32_t>(lines) * kFeedUnitsPerLine);
}

void chooseCharacterSize(PrinterModelConfig& cfg, std::string_view zoom) {
  if (zoom == "zoomIn") {
    cfg[offset::kSizeValue] = cfg[offset::kWideTallSize];
  } else if (zoom == "zoomH") {
    cfg[offset::kSizeValue] = cfg[offset::kTallSize];
  } else if (zoom == "zoomW") {
    cfg[offset::kSizeValue] = cfg[offset::kWideSize];
  }
}

void sendSizeCommand(int slot, const PrinterModelConfig& cfg) {
  sendToSlot(slot, cfg.command(offset::kSize, length::kSize));
}

void sendTextThenNormalSize(int slot, PrinterModelConfig& cfg, std::string_view text) {
  sendToSlot(slot, text);
  cfg[offset::kSizeValue] = 0;
  sendSizeCommand(slot, cfg);
}

void sendFeed(int slot, PrinterModelConfig& cfg, std::uint8_t amount) {
  if (cfg[offset::kPreFeedLines] != 0) {
    cfg[offset::kFeedAmount] = feedUnitsForLines(cfg[offset::kPreFeedLines]);
    const int repeats = static_cast<std::int8_t>(cfg[offset::kPreFeedRepeat]);
    for (int i = 0; i < repeats; ++i) sendToSlot(slot, cfg.command(offset::kFeed, length::kFeed));
  }
  cfg[offset::kFeedAmount] = amount;
  sendToSlot(slot, cfg.command(offset::kFeed, length::kFeed));
}

void sendCut(int slot, PrinterModelConfig& cfg, bool alternativeMode) {
  if (alternativeMode) cfg[offset::kCutMode] = cfg[offset::kCutAlternative];
  sendToSlot(slot, cfg.command(offset::kCut, length::kCut));
}

}  // namespace lumetra
