#pragma once

#include <string>

#include "escpos_command.h"
#include "receipt.h"

namespace lumetra::virtual_printer {

enum class Alignment { Left, Centre, Right };

// The printer's modes, as ESC @ leaves them and the commands change them.
struct PrintModes {
  int widthScale = 1;
  int heightScale = 1;
  bool fontB = false;
  bool emphasised = false;
  int underlineDots = 0;
  Alignment alignment = Alignment::Left;
  int lineSpacing = 30;  // dots, as ESC 2 sets it
};

// Plays commands onto paper the way a thermal receipt printer does: text
// waits in a line buffer until a line feed, feed or cut prints it; ESC @
// throws away what was not printed yet; a cut ends the piece of paper.
class ReceiptBuilder {
 public:
  explicit ReceiptBuilder(int paperDots);

  // Applies one command. Returns a remark for the transcript when the
  // command did something a reader would not expect (empty otherwise).
  std::string apply(const Command& command);

  // A cut has ended the current piece of paper.
  bool cutReached() const { return receipt_.cut != CutKind::None; }
  // The piece is longer than any receipt (a stream that never cuts); it is
  // handed over as it is so its picture stays a sensible size.
  bool pieceFull() const;
  // Something was printed or fed on the current piece.
  bool paperUsed() const { return receipt_.length > 0 || !receipt_.images.empty(); }
  // Hands over the current piece and starts the next; modes stay as they are.
  Receipt takeReceipt();
  // Lines of text and image bands put on paper so far, across pieces: what
  // a roll of paper is measured in.
  int linesPrinted() const { return linesPrinted_; }
  // Text still in the line buffer, which no printer would print (empty: none).
  std::string unprintedTextRemark() const;

 private:
  struct LineBuffer {
    std::vector<PlacedGlyph> glyphs;
    int width = 0;
    int height = 0;
    Alignment alignment = Alignment::Left;
  };

  std::string addText(const Command& command);
  void addGlyph(char32_t codePoint, bool doubleByte);
  void tab();
  void printLine();
  void feed(int dots);
  std::string setPrintMode(std::uint8_t n);
  std::string setCharacterSize(std::uint8_t n);
  std::string setUnderline(std::uint8_t n);
  std::string setAlignment(std::uint8_t n);
  std::string cut(const Command& command);
  std::string placeImage(const Command& command);
  std::string initialise();
  int alignedLeft(Alignment alignment, int width) const;

  PrintModes modes_;
  LineBuffer line_;
  Receipt receipt_;
  int linesPrinted_ = 0;
};

}  // namespace lumetra::virtual_printer
