#include "app/console_log.h"

#include "platform/files/private_files.h"

namespace lumetra::shell {
namespace {

std::filesystem::path numbered(const std::filesystem::path& log, unsigned number) {
  return log.string() + "." + std::to_string(number);
}

bool isUtf8Continuation(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

// The text as it goes into a record: at most kMaxConsoleText bytes of it, cut
// before a character rather than through one, and a marker saying how much
// was left out.
void appendCut(std::string& record, std::string_view text) {
  if (text.size() <= kMaxConsoleText) {
    record.append(text);
    return;
  }
  std::size_t kept = kMaxConsoleText;
  while (kept > 0 && isUtf8Continuation(text[kept])) --kept;
  record.append(text.substr(0, kept));
  record += "\u2026[cut: " + std::to_string(text.size() - kept) + " bytes]";
}

}  // namespace

std::string consoleRecord(std::string_view message, std::string_view source, unsigned line) {
  std::string record = "Message: ";
  appendCut(record, message);
  record += "\r\nSource: ";
  appendCut(record, source);
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
  platform::appendToPrivateFile(path_, record);
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
