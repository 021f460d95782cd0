#pragma once

namespace lumetra::platform {

// The number of active monitors on the display named by DISPLAY, as XRandR
// reports them; a server without RandR counts its screens. 0 when there is no
// display to ask.
int monitorCount();

}  // namespace lumetra::platform
