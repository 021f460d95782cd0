#include "base/log.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include "base/mutex.h"

namespace lumetra {
namespace {

constexpr std::string_view kPrefix = "lumetra: ";

// JOURNAL_STREAM names the device and inode of the stream systemd connected
// to stderr; it still names ours only while stderr was not redirected since.
bool stderrIsJournal() {
  const char* stream = std::getenv("JOURNAL_STREAM");
  if (!stream) return false;
  unsigned long long device = 0;
  unsigned long long inode = 0;
  if (std::sscanf(stream, "%llu:%llu", &device, &inode) != 2) return false;
  struct stat status {};
  if (fstat(STDERR_FILENO, &status) != 0) return false;
  return status.st_dev == device && status.st_ino == inode;
}

struct Capture {
  Mutex mutex;
  LogSink sink GUARDED_BY(mutex);
};

Capture& capture() {
  static Capture shared;
  return shared;
}

}  // namespace

void logLine(LogLevel level, std::string_view text) {
  {
    Capture& shared = capture();
    MutexLock lock(shared.mutex);
    if (shared.sink) {
      shared.sink(level, text);
      return;
    }
  }
  static const bool journal = stderrIsJournal();
  std::string line;
  line.reserve(text.size() + 16);
  if (journal) line += "<" + std::to_string(static_cast<int>(level)) + ">";
  line += kPrefix;
  line += text;
  line += '\n';
  std::string_view rest = line;
  while (!rest.empty()) {
    const ssize_t written = ::write(STDERR_FILENO, rest.data(), rest.size());
    if (written <= 0) return;
    rest.remove_prefix(static_cast<std::size_t>(written));
  }
}

void logf(LogLevel level, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  va_list counting;
  va_copy(counting, arguments);
  const int length = std::vsnprintf(nullptr, 0, format, counting);
  va_end(counting);
  std::string text(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
  if (length > 0) std::vsnprintf(text.data(), text.size() + 1, format, arguments);
  va_end(arguments);
  logLine(level, text);
}

ScopedLogCapture::ScopedLogCapture(LogSink sink) {
  Capture& shared = capture();
  MutexLock lock(shared.mutex);
  shared.sink = std::move(sink);
}

ScopedLogCapture::~ScopedLogCapture() {
  Capture& shared = capture();
  MutexLock lock(shared.mutex);
  shared.sink = nullptr;
}

}  // namespace lumetra
