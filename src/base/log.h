#pragma once

#include <functional>
#include <string_view>

namespace lumetra {

// How much a line matters; the numbers are syslog's priorities, which the
// systemd journal reads from a "<N>" in front of a line.
enum class LogLevel { error = 3, warning = 4, notice = 5, info = 6 };

// Writes one line "lumetra: TEXT" to stderr in one write, so lines of
// several threads never interleave. When stderr is the systemd journal the
// line starts with its priority ("<4>lumetra: ...") instead.
void logLine(LogLevel level, std::string_view text);
void logf(LogLevel level, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Tests take the lines instead of stderr while one of these lives; the
// sink gets the text without the "lumetra: " prefix. One at a time.
using LogSink = std::function<void(LogLevel level, std::string_view text)>;
class ScopedLogCapture {
 public:
  explicit ScopedLogCapture(LogSink sink);
  ~ScopedLogCapture();
  ScopedLogCapture(const ScopedLogCapture&) = delete;
  ScopedLogCapture& operator=(const ScopedLogCapture&) = delete;
};

}  // namespace lumetra
