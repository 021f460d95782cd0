#include "app/splash_size.h"

#include <algorithm>
#include <cstdint>

namespace lumetra::shell {

PictureSize fitInside(PictureSize picture, PictureSize screen) {
  if (picture.width <= screen.width && picture.height <= screen.height) return picture;
  if (picture.width <= 0 || picture.height <= 0 || screen.width <= 0 || screen.height <= 0) return {0, 0};
  // Compare the two scale factors without floating point: the one that
  // shrinks more decides.
  const std::int64_t byWidth = std::int64_t{screen.width} * picture.height;
  const std::int64_t byHeight = std::int64_t{screen.height} * picture.width;
  if (byWidth <= byHeight) {
    return {screen.width, std::max(1, static_cast<int>(byWidth / picture.width))};
  }
  return {std::max(1, static_cast<int>(byHeight / picture.height)), screen.height};
}

}  // namespace lumetra::shell
