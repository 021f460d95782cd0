#pragma once

#include <chrono>
#include <cstdint>

namespace lumetra {

// Now, in seconds since 1970 (UTC): what the journal and the staff notice keep.
inline std::int64_t unixSecondsNow() {
  return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
}

}  // namespace lumetra
