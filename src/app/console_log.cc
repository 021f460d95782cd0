#include "app/console_log.h"

#include <cstdio>

namespace lumetra::shell {
namespace {

std::filesystem::path numbered(const std::filesystem::path& log, unsigned number) {
  return log.string() + "." + std::to_string(number);
}

}  // namespace

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
  const std::string record = consoleRecord(message, source, line);
  rotateBefore(record.size());
  std::FILE* file = std::fopen(path_.c_str(), "ab");
  if (!file) return;
  std::fwrite(record.data(), 1, record.size(), file);
  std::fclose(file);
}

// A record is never split across two files; a log that is still empty
// takes the record however large it is.
void ConsoleLog::rotateBefore(std::size_t recordSize) {
  if (rotation_.maxBytes == 0) return;
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path_, error);
  if (error || size == 0 || size + recordSize <= rotation_.maxBytes) return;
  if (rotation_.keptFiles == 0) {
    std::filesystem::remove(path_, error);
    return;
  }
  std::filesystem::remove(numbered(path_, rotation_.keptFiles), error);
  for (unsigned number = rotation_.keptFiles; number > 1; --number) {
    std::filesystem::rename(numbered(path_, number - 1), numbered(path_, number), error);
  }
  std::filesystem::rename(path_, numbered(path_, 1), error);
}

}  // namespace lumetra::shell
