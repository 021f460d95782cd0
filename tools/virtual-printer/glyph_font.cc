#include "glyph_font.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <stdexcept>

namespace lumetra::virtual_printer {

GlyphFont::GlyphFont(const std::filesystem::path& fontFile) {
  if (FT_Init_FreeType(&library_) != 0) throw std::runtime_error("cannot start FreeType");
  if (FT_New_Face(library_, fontFile.c_str(), 0, &face_) != 0) {
    FT_Done_FreeType(library_);
    throw std::runtime_error("cannot load the font " + fontFile.string());
  }
}

GlyphFont::~GlyphFont() {
  FT_Done_Face(face_);
  FT_Done_FreeType(library_);
}

void GlyphFont::draw(Canvas& canvas, const PlacedGlyph& glyph, int left, int top) const {
  if (glyph.emphasised) draw(canvas, {glyph.codePoint, glyph.x, glyph.width, glyph.height, false, 0}, left + 1, top);
  for (int row = 0; row < glyph.underlineDots; ++row) {
    canvas.fill(left, top + glyph.height - 1 - row, glyph.width, 1, kInk);
  }
  const FT_UInt index = FT_Get_Char_Index(face_, glyph.codePoint);
  if (index == 0) {
    if (glyph.codePoint != U' ') drawMissing(canvas, glyph, left, top);
    return;
  }
  // A single-byte character's cell is half as wide as the font's em square.
  const bool halfWidth = glyph.codePoint < 0x80;
  const int emWidth = halfWidth ? glyph.width * 2 : glyph.width;
  if (FT_Set_Pixel_Sizes(face_, emWidth, glyph.height) != 0) return;
  if (FT_Load_Glyph(face_, index, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME) != 0) return;
  const FT_Size_Metrics& metrics = face_->size->metrics;
  const long ascender = metrics.ascender >> 6;
  const long descender = metrics.descender >> 6;
  const int baseline = top + static_cast<int>(ascender * glyph.height / std::max(ascender - descender, 1L));
  const int advance = static_cast<int>(face_->glyph->advance.x >> 6);
  drawBitmap(canvas, left + (glyph.width - advance) / 2 + face_->glyph->bitmap_left,
             baseline - face_->glyph->bitmap_top);
}

void GlyphFont::drawBitmap(Canvas& canvas, int left, int top) const {
  const FT_Bitmap& bitmap = face_->glyph->bitmap;
  for (unsigned row = 0; row < bitmap.rows; ++row) {
    const unsigned char* bits = bitmap.buffer + static_cast<long>(row) * bitmap.pitch;
    for (unsigned column = 0; column < bitmap.width; ++column) {
      if (bits[column / 8] & (0x80 >> (column % 8))) canvas.set(left + column, top + row, kInk);
    }
  }
}

// A character the font lacks prints as an empty box, so it is noticed.
void GlyphFont::drawMissing(Canvas& canvas, const PlacedGlyph& glyph, int left, int top) const {
  const int inset = 2;
  const int width = glyph.width - 2 * inset;
  const int height = glyph.height - 2 * inset;
  canvas.fill(left + inset, top + inset, width, 1, kInk);
  canvas.fill(left + inset, top + inset + height - 1, width, 1, kInk);
  canvas.fill(left + inset, top + inset, 1, height, kInk);
  canvas.fill(left + inset + width - 1, top + inset, 1, height, kInk);
}

}  // namespace lumetra::virtual_printer
