#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "base/log.h"

namespace lumetra::test {

// The logger's lines while it lives (any thread's), instead of stderr.
class CapturedLog {
 public:
  CapturedLog();
  // Each line as "warning: text" (the level's name, then the text).
  std::vector<std::string> lines() const;
  // How many lines contain `text`.
  std::size_t count(const std::string& text) const;

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
  ScopedLogCapture capture_;
};

}  // namespace lumetra::test
