#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "printer/printer_model_config.h"
#include "printer/printers.h"

namespace lumetra {

// The bytes of the printers' direct commands, one string per write, for a
// spooler printer and a network printer alike. Each stores its parameter
// bytes into the command table first, where they stay for later commands,
// as the printers' settings expect.
using CommandWrites = std::vector<std::string>;

// "zoomIn", "zoomH" or "zoomW" (exact case) picks the size value; any other
// text keeps the one stored last.
void chooseCharacterSize(PrinterModelConfig& table, std::string_view zoom);
std::string sizeCommand(const PrinterModelConfig& table);
// The text (printer bytes), then the size command back at normal size.
CommandWrites textThenNormalSize(PrinterModelConfig& table, std::string_view text);
// The model's pre-feed (when it has one), then one feed of `amount` units.
CommandWrites feedWrites(PrinterModelConfig& table, std::uint8_t amount);
// The cut, with the model's alternative cut mode when asked for (it then
// stays selected).
std::string cutCommand(PrinterModelConfig& table, bool alternativeMode);

// A feed amount for `lines` lines (7 units each), kept to its low 8 bits.
std::uint8_t feedUnitsForLines(std::int32_t lines);

// The drawer pulse; a new pulse (m, t1, t2) replaces the stored one for
// every later call on every printer.
std::string cashDrawerCommand(CashDrawerCommand& command, const std::optional<std::array<std::int32_t, 3>>& pulse);

}  // namespace lumetra
