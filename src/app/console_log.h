#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace lumetra::shell {

// How much of a message, and of its source, one record keeps: a page that
// logs a picture or a whole task list must not fill the log in one go.
inline constexpr std::size_t kMaxConsoleText = 64 << 10;

// One record of the console log; texts are UTF-8. A longer message or source
// is cut at kMaxConsoleText bytes and ends "…[cut: N bytes]".
std::string consoleRecord(std::string_view message, std::string_view source, unsigned line);

// How large console.log may grow before it is moved to console.log.1 (the
// older ones moving up to .2 ... .keptFiles, the oldest dropped); a till
// runs for months. maxBytes 0: it is never moved.
struct LogRotation {
  std::uint64_t maxBytes = 0;
  unsigned keptFiles = 0;
};

// "console.log" in the shell's start-up directory. The file is fixed by the
// first message, so later ones append to it wherever the current directory
// has gone since.
class ConsoleLog {
 public:
  ConsoleLog(std::filesystem::path startupDirectory, LogRotation rotation)
      : startupDirectory_(std::move(startupDirectory)), rotation_(rotation) {}

  // Appends one record; a file that cannot be opened is skipped (the
  // working folder's trouble is reported once at start-up).
  void append(std::string_view message, std::string_view source, unsigned line);

 private:
  void rotateBefore(std::size_t recordSize);

  std::filesystem::path startupDirectory_;
  LogRotation rotation_;
  std::filesystem::path path_;  // empty until the first message
};

}  // namespace lumetra::shell
