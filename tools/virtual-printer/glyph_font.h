#pragma once

#include <filesystem>

#include "canvas.h"
#include "receipt.h"

typedef struct FT_LibraryRec_* FT_Library;
typedef struct FT_FaceRec_* FT_Face;

namespace lumetra::virtual_printer {

// Where Debian's fonts-wqy-microhei puts the font: it covers ASCII and the
// Chinese characters of GBK.
inline constexpr const char* kDefaultFontFile = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";

// Draws characters the way a thermal head prints them: one bit per dot, no
// grey edges, stretched to fill the character cell.
class GlyphFont {
 public:
  // Throws std::runtime_error when the font cannot be loaded.
  explicit GlyphFont(const std::filesystem::path& fontFile);
  ~GlyphFont();
  GlyphFont(const GlyphFont&) = delete;
  GlyphFont& operator=(const GlyphFont&) = delete;

  // Draws the glyph into its cell, whose top left corner is (left, top).
  void draw(Canvas& canvas, const PlacedGlyph& glyph, int left, int top) const;

 private:
  void drawBitmap(Canvas& canvas, int left, int top) const;
  void drawMissing(Canvas& canvas, const PlacedGlyph& glyph, int left, int top) const;

  FT_Library library_ = nullptr;
  FT_Face face_ = nullptr;
};

}  // namespace lumetra::virtual_printer
