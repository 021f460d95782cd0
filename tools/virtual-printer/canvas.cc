#include "canvas.h"

#include <FreeImage.h>

#include <cstring>
#include <memory>
#include <stdexcept>

namespace lumetra::virtual_printer {

Canvas::Canvas(int width, int height)
    : width_(width), height_(height), pixels_(static_cast<std::size_t>(width) * height, kPaper) {}

void Canvas::set(int x, int y, std::uint8_t grey) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  pixels_[static_cast<std::size_t>(y) * width_ + x] = grey;
}

void Canvas::fill(int left, int top, int width, int height, std::uint8_t grey) {
  for (int y = top; y < top + height; ++y) {
    for (int x = left; x < left + width; ++x) set(x, y, grey);
  }
}

void Canvas::savePng(const std::filesystem::path& file) const {
  const std::unique_ptr<FIBITMAP, decltype(&FreeImage_Unload)> bitmap(FreeImage_Allocate(width_, height_, 8),
                                                                      FreeImage_Unload);
  if (!bitmap) throw std::runtime_error("cannot allocate a picture of the receipt");
  RGBQUAD* palette = FreeImage_GetPalette(bitmap.get());
  for (int grey = 0; grey < 256; ++grey) {
    const auto level = static_cast<BYTE>(grey);
    palette[grey] = RGBQUAD{level, level, level, 0};
  }
  // FreeImage keeps the bottom row first.
  for (int y = 0; y < height_; ++y) {
    std::memcpy(FreeImage_GetScanLine(bitmap.get(), height_ - 1 - y), &pixels_[static_cast<std::size_t>(y) * width_],
                width_);
  }
  if (!FreeImage_Save(FIF_PNG, bitmap.get(), file.c_str(), PNG_DEFAULT)) {
    throw std::runtime_error("cannot write " + file.string());
  }
}

}  // namespace lumetra::virtual_printer
