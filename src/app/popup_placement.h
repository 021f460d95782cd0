#pragma once

#include <string_view>

namespace lumetra::shell {

// The target name under which the page opens the customer display.
inline constexpr std::string_view kCustomerDisplayName = "顾客显示";

struct ScreenSize {
  int width = 0;
  int height = 0;
};

struct PopupPlacement {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool framed = true;          // decorated by the window manager
  bool ownedByOpener = false;  // stays above its opener and closes with it
};

// The customer display goes borderless just right of the primary screen (on
// a second monitor placed there), owned by its opener; any other popup is
// an ordinary framed window over the primary screen. Both take the primary
// screen's size.
PopupPlacement placePopup(std::string_view targetName, ScreenSize primaryScreen);

}  // namespace lumetra::shell
