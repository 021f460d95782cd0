#include "app/popup_placement.h"

namespace lumetra::shell {

PopupPlacement placePopup(std::string_view targetName, ScreenSize primaryScreen) {
  PopupPlacement placement;
  placement.width = primaryScreen.width;
  placement.height = primaryScreen.height;
  if (targetName == kCustomerDisplayName) {
    placement.x = primaryScreen.width;
    placement.framed = false;
    placement.ownedByOpener = true;
  }
  return placement;
}

}  // namespace lumetra::shell
