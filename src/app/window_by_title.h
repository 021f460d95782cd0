#pragma once

namespace lumetra::shell {

// Restores and maximises the first top-level window on the display whose
// title is `title`, whichever process owns it. False when there is none.
bool maximiseWindowTitled(const char* title);

}  // namespace lumetra::shell
