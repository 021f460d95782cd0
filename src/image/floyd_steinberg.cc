#include "image/floyd_steinberg.h"

#include <bit>
#include <cstring>
#include <utility>

namespace lumetra {
namespace {

// Every rule below mirrors FreeImage's error diffusion, quirks included,
// because the dots must stay those FreeImage has always printed.

constexpr int kWhite = 255;
constexpr int kMiddle = kWhite / 2;

// The edge runs (the side columns and the first scan line) are quantised
// against thresholds of their own. FreeImage's source jitters them with a
// pseudo-random generator whose signed int arithmetic overflows; the library
// as built for Debian 12 runs with these fixed thresholds instead, and it is
// its dots that must not change. The image tests compare every dot with the
// installed library, so a rebuild that behaves otherwise is caught there.
constexpr int kLeftColumnThreshold = 66;
constexpr int kRightColumnThreshold = 15;
constexpr int kFirstLineThreshold = 66;

// One pixel of an edge run: the error is carried only along the run.
// Returns whether the pixel stays white.
bool ditherEdgePixel(int level, int threshold, int& carried) {
  const int pixel = level + carried;
  const bool white = pixel > threshold;
  carried = pixel - (white ? kWhite : 0);
  return white;
}

// What an edge pixel hands to the next scan line: not its actual error but
// its level's distance from its dot plus half its distance from the middle.
int edgeError(int level, bool white) { return level - (white ? kWhite : 0) + (kMiddle - level) / 2; }

std::vector<std::uint8_t> ditherEdgeColumn(const GreyPicture& picture, unsigned x, int threshold) {
  std::vector<std::uint8_t> white(picture.height);
  int carried = 0;
  for (unsigned y = 0; y < picture.height; ++y) white[y] = ditherEdgePixel(picture.scanLine(y)[x], threshold, carried);
  return white;
}

// The dots print where the pixel went black; leftmost pixel in the top bit.
// Eight 0/1 flags are packed at once: the multiplication moves the flag of
// byte i to bit 63 - i, with no carries between them.
void packRow(const std::vector<std::uint8_t>& white, std::uint8_t* out) {
  constexpr std::uint64_t kAllOnes = 0x0101010101010101u;
  constexpr std::uint64_t kGather = 0x8040201008040201u;
  const std::size_t width = white.size();
  std::size_t x = 0;
  for (; x + 8 <= width; x += 8) {
    std::uint64_t flags = 0;
    std::memcpy(&flags, white.data() + x, 8);
    if constexpr (std::endian::native == std::endian::big) flags = __builtin_bswap64(flags);
    *out++ = static_cast<std::uint8_t>(((flags ^ kAllOnes) * kGather) >> 56);
  }
  if (x == width) return;
  unsigned bits = 0;
  for (std::size_t i = x; i < width; ++i) bits |= (white[i] ^ 1u) << (7 - (i - x));
  *out = static_cast<std::uint8_t>(bits);
}

// One scan line below the first: its edge pixels come from the side
// columns, its inner pixels gather the error of the line above and of their
// left neighbour.
struct InnerLine {
  const std::uint8_t* levels;
  const int* above;
  int* current;  // what each pixel hands to the next line
  std::uint8_t* white;

  // The division truncates toward zero, as FreeImage's int arithmetic does.
  void diffuse(unsigned x) const {
    const int error = (above[x - 1] + 5 * above[x] + 3 * above[x + 1] + 7 * current[x - 1]) / 16;
    const int pixel = levels[x] + error;
    white[x] = pixel > kMiddle;
    current[x] = pixel - (white[x] ? kWhite : 0);
  }
};

class Ditherer {
 public:
  explicit Ditherer(const GreyPicture& picture)
      : picture_(picture),
        last_(picture.width - 1),
        leftWhite_(ditherEdgeColumn(picture, 0, kLeftColumnThreshold)),
        rightWhite_(ditherEdgeColumn(picture, last_, kRightColumnThreshold)) {}

  // The first scan line overrides both columns' results where they meet.
  void firstLine(int* errors, std::uint8_t* white) const {
    const std::uint8_t* levels = picture_.scanLine(0);
    int carried = 0;
    for (unsigned x = 0; x <= last_; ++x) {
      white[x] = ditherEdgePixel(levels[x], kFirstLineThreshold, carried);
      errors[x] = edgeError(levels[x], white[x]);
    }
  }

  InnerLine innerLine(unsigned y, const int* above, int* current, std::uint8_t* white) const {
    const InnerLine line{picture_.scanLine(y), above, current, white};
    white[0] = leftWhite_[y];
    white[last_] = rightWhite_[y];  // a 1-pixel column takes the right one
    current[0] = edgeError(line.levels[0], white[0]);
    current[last_] = edgeError(line.levels[last_], white[last_]);
    return line;
  }

  void single(const InnerLine& line) const {
    for (unsigned x = 1; x < last_; ++x) line.diffuse(x);
  }

  // Two lines at once, the lower two pixels behind the upper one so that what
  // it gathers from above is ready: the two chains of dependent arithmetic
  // then overlap in the processor.
  void pair(const InnerLine& upper, const InnerLine& lower) const {
    unsigned x = 1;
    for (; x < last_ && x < 3; ++x) upper.diffuse(x);
    for (; x < last_; ++x) {
      upper.diffuse(x);
      lower.diffuse(x - 2);
    }
    for (unsigned behind = x >= 3 ? x - 2 : 1; behind < last_; ++behind) lower.diffuse(behind);
  }

 private:
  const GreyPicture& picture_;
  const unsigned last_;
  const std::vector<std::uint8_t> leftWhite_;
  const std::vector<std::uint8_t> rightWhite_;
};

}  // namespace

DotImage ditherFloydSteinberg(const GreyPicture& picture) {
  const unsigned width = picture.width;
  const unsigned height = picture.height;
  DotImage dots{width, height, {}};
  const std::size_t rowBytes = dots.bytesPerRow();
  dots.dots.resize(rowBytes * height);
  // Scan line y is printed row height - 1 - y.
  auto pack = [&](unsigned y, const std::vector<std::uint8_t>& white) {
    packRow(white, dots.dots.data() + (height - 1 - y) * rowBytes);
  };

  const Ditherer ditherer(picture);
  std::vector<int> errors[3] = {std::vector<int>(width), std::vector<int>(width), std::vector<int>(width)};
  std::vector<std::uint8_t> white[2] = {std::vector<std::uint8_t>(width), std::vector<std::uint8_t>(width)};
  int* above = errors[0].data();
  int* upperErrors = errors[1].data();
  int* lowerErrors = errors[2].data();
  ditherer.firstLine(above, white[0].data());
  pack(0, white[0]);

  unsigned y = 1;
  for (; y + 1 < height; y += 2) {
    const InnerLine upper = ditherer.innerLine(y, above, upperErrors, white[0].data());
    const InnerLine lower = ditherer.innerLine(y + 1, upperErrors, lowerErrors, white[1].data());
    ditherer.pair(upper, lower);
    pack(y, white[0]);
    pack(y + 1, white[1]);
    std::swap(above, lowerErrors);
  }
  if (y < height) {
    ditherer.single(ditherer.innerLine(y, above, upperErrors, white[0].data()));
    pack(y, white[0]);
  }
  return dots;
}

}  // namespace lumetra
