#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace lumetra::shell {

// One record of the console log; texts are UTF-8.
std::string consoleRecord(std::string_view message, std::string_view source, unsigned line);

// "console.log" in the shell's start-up directory. The file is fixed by the
// first message, so later ones append to it wherever the current directory
// has gone since.
class ConsoleLog {
 public:
  explicit ConsoleLog(std::filesystem::path startupDirectory) : startupDirectory_(std::move(startupDirectory)) {}

  // Appends one record; a file that cannot be opened is skipped silently.
  void append(std::string_view message, std::string_view source, unsigned line);

 private:
  std::filesystem::path startupDirectory_;
  std::filesystem::path path_;  // empty until the first message
};

}  // namespace lumetra::shell
