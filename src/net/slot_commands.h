#pragma once

#include <cstdint>
#include <string_view>

#include "printer/printer_model_config.h"

namespace lumetra {

// The command table every network printer is driven with: that of the
// "MULTIKITCHEN" session (created blank when absent).
PrinterModelConfig& kitchenCommands();

// A feed amount for `lines` lines (7 units each), kept to its low 8 bits.
std::uint8_t feedUnitsForLines(std::int32_t lines);

// Commands to a network printer slot, one send each. Each stores its
// parameter byte into `cfg` first, where it stays for later commands.

// "zoomIn", "zoomH" or "zoomW" (exact case) picks the size value; any other
// text keeps the one stored last.
void chooseCharacterSize(PrinterModelConfig& cfg, std::string_view zoom);
void sendSizeCommand(int slot, const PrinterModelConfig& cfg);
// The text, then the size command back at normal size.
void sendTextThenNormalSize(int slot, PrinterModelConfig& cfg, std::string_view text);
// The model's pre-feed (when it has one), then one feed of `amount` units.
void sendFeed(int slot, PrinterModelConfig& cfg, std::uint8_t amount);
// The cut command, with the model's alternative cut mode when asked for.
void sendCut(int slot, PrinterModelConfig& cfg, bool alternativeMode);

}  // namespace lumetra
