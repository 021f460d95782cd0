#include "receipt_renderer.h"

#include <algorithm>

namespace lumetra::virtual_printer {
namespace {

constexpr int kDashDots = 8;
constexpr int kGapDots = 4;
// A partial cut leaves this much paper holding the two pieces together.
constexpr int kPartialCutBridgeDots = 48;

bool dotAt(const PrintedImage& image, int column, int row) {
  const auto byte = static_cast<unsigned char>(image.bits[static_cast<std::size_t>(row) * image.rowBytes + column / 8]);
  return byte & (0x80 >> (column % 8));
}

}  // namespace

Canvas ReceiptRenderer::render(const Receipt& receipt) const {
  const int perforation = receipt.cut == CutKind::None ? 0 : kPerforationRows;
  Canvas canvas(receipt.paperDots + 2 * kSideMarginDots, std::max(receipt.length + perforation, 1));
  for (const PrintedLine& line : receipt.lines) drawLine(canvas, line);
  for (const PrintedImage& image : receipt.images) drawImage(canvas, image, receipt.paperDots);
  if (receipt.cut != CutKind::None) drawPerforation(canvas, receipt.length, receipt.cut);
  return canvas;
}

void ReceiptRenderer::drawLine(Canvas& canvas, const PrintedLine& line) const {
  for (const PlacedGlyph& glyph : line.glyphs) {
    const int left = kSideMarginDots + line.left + glyph.x;
    if (left + glyph.width > canvas.width() - kSideMarginDots) continue;
    font_.draw(canvas, glyph, left, line.top + line.height - glyph.height);
  }
}

void ReceiptRenderer::drawImage(Canvas& canvas, const PrintedImage& image, int paperDots) {
  const int printableRight = kSideMarginDots + paperDots;
  for (int row = 0; row < image.rows; ++row) {
    for (int column = 0; column < image.rowBytes * 8; ++column) {
      if (!dotAt(image, column, row)) continue;
      const int x = kSideMarginDots + image.left + column * image.widthScale;
      const int width = std::min(image.widthScale, printableRight - x);
      if (width > 0) canvas.fill(x, image.top + row * image.heightScale, width, image.heightScale, kInk);
    }
  }
}

void ReceiptRenderer::drawPerforation(Canvas& canvas, int top, CutKind cut) {
  const int y = top + kPerforationRows / 2;
  const int bridgeLeft = (canvas.width() - kPartialCutBridgeDots) / 2;
  for (int x = 0; x < canvas.width(); x += kDashDots + kGapDots) {
    for (int dot = x; dot < std::min(x + kDashDots, canvas.width()); ++dot) {
      const bool inBridge = dot >= bridgeLeft && dot < bridgeLeft + kPartialCutBridgeDots;
      if (cut == CutKind::Partial && inBridge) continue;
      canvas.set(dot, y, kPerforation);
    }
  }
}

}  // namespace lumetra::virtual_printer
