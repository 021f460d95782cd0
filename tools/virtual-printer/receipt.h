#pragma once

#include <string>
#include <vector>

namespace lumetra::virtual_printer {

// A piece of receipt paper as the printer left it, in printer dots (203 per
// inch). x is counted from the left edge of the printable area, y from the
// top of the piece.

// One character cell, already magnified by the character size in force.
struct PlacedGlyph {
  char32_t codePoint;
  int x;
  int width;
  int height;
  bool emphasised;
  int underlineDots;  // 0, 1 or 2
};

struct PrintedLine {
  int top;
  int left;    // shift from the line's alignment
  int height;  // the tallest cell; shorter cells sit on the same bottom
  std::vector<PlacedGlyph> glyphs;
};

// A raster image as sent: rows of bits, most significant bit leftmost,
// 1 = a printed dot; drawn magnified by the scales.
struct PrintedImage {
  int top;
  int left;
  int rowBytes;
  int rows;
  int widthScale;
  int heightScale;
  std::string bits;
};

enum class CutKind { None, Full, Partial };

struct Receipt {
  int paperDots = 0;  // printable width
  int length = 0;     // paper used, top to cut
  std::vector<PrintedLine> lines;
  std::vector<PrintedImage> images;
  CutKind cut = CutKind::None;
};

}  // namespace lumetra::virtual_printer
