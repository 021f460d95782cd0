#pragma once

#include "canvas.h"
#include "glyph_font.h"
#include "receipt.h"

namespace lumetra::virtual_printer {

// Blank paper on each side of the printable area (80 mm paper is 640 dots
// wide, of which the head prints 576).
inline constexpr int kSideMarginDots = 32;
// Rows below a cut that show the perforation.
inline constexpr int kPerforationRows = 16;

// Draws a piece of receipt as the paper shows it.
class ReceiptRenderer {
 public:
  explicit ReceiptRenderer(const GlyphFont& font) : font_(font) {}

  Canvas render(const Receipt& receipt) const;

 private:
  void drawLine(Canvas& canvas, const PrintedLine& line) const;
  static void drawImage(Canvas& canvas, const PrintedImage& image, int paperDots);
  static void drawPerforation(Canvas& canvas, int top, CutKind cut);

  const GlyphFont& font_;
};

}  // namespace lumetra::virtual_printer
