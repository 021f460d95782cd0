#include "support/captured_log.h"

#include <algorithm>

namespace lumetra::test {
namespace {

std::string levelName(LogLevel level) {
  switch (level) {
    case LogLevel::error:
      return "error";
    case LogLevel::warning:
      return "warning";
    case LogLevel::notice:
      return "notice";
    case LogLevel::info:
      return "info";
  }
  return "?";
}

}  // namespace

CapturedLog::CapturedLog()
    : capture_([this](LogLevel level, std::string_view text) {
        std::lock_guard lock(mutex_);
        lines_.push_back(levelName(level) + ": " + std::string(text));
      }) {}

std::vector<std::string> CapturedLog::lines() const {
  std::lock_guard lock(mutex_);
  return lines_;
}

std::size_t CapturedLog::count(const std::string& text) const {
  std::lock_guard lock(mutex_);
  return static_cast<std::size_t>(std::count_if(
      lines_.begin(), lines_.end(), [&](const std::string& line) { return line.find(text) != std::string::npos; }));
}

}  // namespace lumetra::test
