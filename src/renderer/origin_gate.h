#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>

#include "base/trusted_origins.h"

namespace lumetra {

// Decides which new script contexts get the window functions, and says on
// stderr, once per origin, what was withheld from whom, so that an
// installer sees which origin a page that lost its functions came from.
class OriginGate {
 public:
  // Origins named on stderr; a page could make up any number of them.
  static constexpr std::size_t kMostOriginsNamed = 256;

  explicit OriginGate(TrustedOrigins trusted) : trusted_(std::move(trusted)) {}

  // `documentOrigin` as TrustedOrigins::trusts takes it.
  bool admits(std::string_view documentOrigin);

 private:
  void nameWithheld(std::string_view documentOrigin);

  TrustedOrigins trusted_;
  std::unordered_set<std::string> named_;
};

}  // namespace lumetra
