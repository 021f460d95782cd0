#pragma once

#include <optional>
#include <string>

namespace lumetra::shell {

struct LoadFailure {
  enum class Kind { aborted, unknownScheme, other };
  Kind kind = Kind::other;
  int code = 0;
  std::string text;  // the engine's description of the error
  std::string failedUrl;
  std::string frameUrl;  // what the frame showed when the load failed
};

// The page shown instead of a page that failed to load, or nothing when the
// failure is not shown (aborted loads, downloads among them, and unknown
// "spotify:" links).
std::optional<std::string> errorPageFor(const LoadFailure& failure);

// Text made safe to place in HTML content or attribute values.
std::string escapeHtml(std::string_view text);

}  // namespace lumetra::shell
