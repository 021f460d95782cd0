#include "app/console_log.h"

#include <cstdio>

namespace lumetra::shell {

std::string consoleRecord(std::string_view message, std::string_view source, unsigned line) {
  std::string record = "Message: ";
  record.append(message);
  record += "\r\nSource: ";
  record.append(source);
  record += "\r\nLine: " + std::to_string(line) + "\r\n-----------------------\r\n";
  return record;
}

void ConsoleLog::append(std::string_view message, std::string_view source, unsigned line) {
  if (path_.empty()) {
    std::error_code error;
    path_ = std::filesystem::absolute(startupDirectory_ / "console.log", error);
    if (error) path_ = startupDirectory_ / "console.log";
  }
  std::FILE* file = std::fopen(path_.c_str(), "ab");
  if (!file) return;
  const std::string record = consoleRecord(message, source, line);
  std::fwrite(record.data(), 1, record.size(), file);
  std::fclose(file);
}

}  // namespace lumetra::shell
