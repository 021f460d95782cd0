#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace lumetra::virtual_printer {

// Grey levels of the picture: paper, printed dots, and the perforation
// drawn where the paper was cut (grey, so dots can be counted as black).
inline constexpr std::uint8_t kPaper = 255;
inline constexpr std::uint8_t kInk = 0;
inline constexpr std::uint8_t kPerforation = 128;

// An 8-bit grey picture, top row first. Drawing outside it is clipped.
class Canvas {
 public:
  Canvas(int width, int height);

  int width() const { return width_; }
  int height() const { return height_; }
  std::uint8_t at(int x, int y) const { return pixels_[static_cast<std::size_t>(y) * width_ + x]; }
  void set(int x, int y, std::uint8_t grey);
  void fill(int left, int top, int width, int height, std::uint8_t grey);

  // Writes the picture as a PNG file; throws std::runtime_error on failure.
  void savePng(const std::filesystem::path& file) const;

 private:
  int width_;
  int height_;
  std::vector<std::uint8_t> pixels_;
};

}  // namespace lumetra::virtual_printer
