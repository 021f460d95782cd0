#pragma once

namespace lumetra::shell {

struct PictureSize {
  int width = 0;
  int height = 0;
  bool operator==(const PictureSize&) const = default;
};

// The picture's size shrunk, keeping its proportions, until it fits the
// screen; a picture that fits keeps its size. A splash larger than a small
// kiosk screen would be refused by a Wayland compositor, ending the shell.
PictureSize fitInside(PictureSize picture, PictureSize screen);

}  // namespace lumetra::shell
