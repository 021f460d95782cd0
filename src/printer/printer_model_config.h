#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace lumetra {

// A printer model's ESC/POS command bytes at fixed offsets. Commands are sent
// by storing their parameter bytes into the table, then copying the command
// out of it; those parameter bytes keep their last value until the next write
// or the next load of the table.
struct PrinterModelConfig {
  std::array<std::uint8_t, 40> bytes{};

  // The `length` bytes starting at `offset`, as a byte string for a printer.
  std::string command(std::size_t offset, std::size_t length) const {
    return std::string(commandBytes(offset, length));
  }
  std::string_view commandBytes(std::size_t offset, std::size_t length) const {
    return {reinterpret_cast<const char*>(bytes.data()) + offset, length};
  }
  std::uint8_t& operator[](std::size_t offset) { return bytes[offset]; }
  std::uint8_t operator[](std::size_t offset) const { return bytes[offset]; }
};

// Offsets into PrinterModelConfig.
namespace model_offset {
inline constexpr std::size_t kFeed = 0;  // 3 bytes; byte 2 is the feed amount
inline constexpr std::size_t kFeedAmount = 2;
inline constexpr std::size_t kPreFeedLines = 3;   // lines of 7 feed units; 0 = no pre-feed
inline constexpr std::size_t kPreFeedRepeat = 4;  // signed repeat count
inline constexpr std::size_t kCut = 5;            // 3 bytes; byte 7 is the cut mode
inline constexpr std::size_t kCutMode = 7;
inline constexpr std::size_t kCutAlternative = 8;  // copied into the cut mode on request
inline constexpr std::size_t kSize = 9;            // 3 bytes; byte 11 is the size value
inline constexpr std::size_t kSizeValue = 11;
inline constexpr std::size_t kAlign = 12;  // 3 bytes; byte 14 is the alignment
inline constexpr std::size_t kAlignValue = 14;
inline constexpr std::size_t kWideSize = 15;
inline constexpr std::size_t kTallSize = 16;
inline constexpr std::size_t kWideTallSize = 17;  // kWideSize | kTallSize, computed at load
inline constexpr std::size_t kThirdSize = 18;     // loaded, used by nothing
inline constexpr std::size_t kImage = 19;         // 8 bytes: raster image header
inline constexpr std::size_t kImagePrint = 27;    // 3 bytes, sent after each band
inline constexpr std::size_t kCashDrawer = 30;    // 5 bytes; 32..34 are the pulse parameters
inline constexpr std::size_t kBeep = 35;          // 5 bytes
}  // namespace model_offset

namespace model_length {
inline constexpr std::size_t kFeed = 3;
inline constexpr std::size_t kCut = 3;
inline constexpr std::size_t kSize = 3;
inline constexpr std::size_t kAlign = 3;
inline constexpr std::size_t kImage = 8;
inline constexpr std::size_t kImagePrint = 3;
inline constexpr std::size_t kCashDrawer = 5;
inline constexpr std::size_t kBeep = 5;
}  // namespace model_length

}  // namespace lumetra
