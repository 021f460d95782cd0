#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "printer/printer_model_config.h"
#include "tasks/print_task.h"

namespace lumetra {

// One piece of a task's output, in printing order: bytes to write as they
// are, or a picture (image text) that is printed on its own.
struct TaskOutput {
  enum class Kind { kBytes, kImage };
  Kind kind = Kind::kBytes;
  std::string data;

  bool operator==(const TaskOutput&) const = default;
};

// Line widths beyond this many columns are no roll printer's; such a width is
// treated like a missing one instead of padding lines with megabytes.
inline constexpr std::int32_t kMaxLineWidth = 1024;

// A feed of more units than this (7 dots each: over 80 cm of paper) is
// refused as a page error rather than emptying the roll.
inline constexpr std::int32_t kMaxFeedUnits = 1000;

// Lays out a task's items into ESC/POS bytes and ANSI text, starting with the
// initialise command; the bytes before a picture become a piece of their own.
// Parameter bytes stored into `commands` stay there, as for every command.
std::vector<TaskOutput> layoutTaskContents(const std::vector<ContentItem>& items, PrinterModelConfig& commands,
                                           std::int32_t printerWidth);

// One text line padded with spaces to `width` bytes (alignment 0 left, 1
// centre, other right) and ended with a line feed, or cut to `width` bytes
// without a line end when it does not fit. A trailing line feed of the text is
// dropped first. A cut never splits a two-byte character: a space takes the
// place of its first byte.
std::string fitToWidth(std::string_view ansiText, std::int32_t width, std::int32_t alignment);

}  // namespace lumetra
