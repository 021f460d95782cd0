// libFuzzer target: whatever bytes reach the virtual printer, and however a
// connection splits them, decoding, layout, transcript and drawing must
// neither crash nor run away with memory.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "glyph_font.h"
#include "print_session.h"
#include "receipt_renderer.h"

namespace {

using namespace lumetra::virtual_printer;

// Draws every piece (saving it would only measure the disk).
class DrawingSink final : public PieceSink {
 public:
  void write(const std::string&, const Receipt* receipt) override {
    static const GlyphFont font(kDefaultFontFile);
    static const ReceiptRenderer renderer(font);
    if (receipt) renderer.render(*receipt);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte picks the paper and the size of the pieces the stream
  // arrives in, as TCP reads would split it.
  const int paperDots = (data[0] & 0x80) ? 384 : 576;
  const std::size_t piece = (data[0] & 0x7F) + 1;
  const std::string_view stream(reinterpret_cast<const char*>(data) + 1, size - 1);
  DrawingSink sink;
  PrintSession session("fuzz", sink, paperDots);
  for (std::size_t at = 0; at < stream.size(); at += piece) session.receive(stream.substr(at, piece));
  session.finish();
  return 0;
}
