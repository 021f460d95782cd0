#include "renderer/web_extension/printer_metrics_file.h"

#include <glib.h>

#include <string>

#include "base/log.h"
#include "base/unix_time.h"
#include "delivery/printer_metrics.h"
#include "platform/files/whole_file.h"

namespace lumetra {
namespace {

// Often enough for an alert on a ticket's age, rarely enough for a till.
constexpr guint kRewriteSeconds = 5;

struct MetricsFile {
  std::filesystem::path path;  // empty: off
  PrintJobs* jobs = nullptr;
  std::int64_t startUnixSeconds = 0;
  bool failing = false;  // said once on stderr until it works again
};

MetricsFile file;

gboolean onRewriteDue(gpointer) {
  writePrinterMetricsFile();
  return G_SOURCE_CONTINUE;
}

}  // namespace

void startPrinterMetricsFile(const std::filesystem::path& path, PrintJobs& jobs) {
  if (path.empty()) return;
  file.path = path;
  file.jobs = &jobs;
  // The web process's start: its counts of delivered and failed tickets
  // start with it, so a scraper sees a counter reset with a new time.
  file.startUnixSeconds = unixSecondsNow();
  writePrinterMetricsFile();
  g_timeout_add_seconds(kRewriteSeconds, onRewriteDue, nullptr);
}

void writePrinterMetricsFile() {
  if (file.path.empty()) return;
  const std::string text = printerMetricsText(file.jobs->delivery.printerStates(),
                                              MetricsProcess{LUMETRA_VERSION, file.startUnixSeconds}, unixSecondsNow());
  std::string error;
  const bool written = platform::publishFile(file.path, text, error);
  if (!written && !file.failing) {
    logf(LogLevel::warning, "monitoring: cannot write the metrics textfile (%s); trying again every %u s",
         error.c_str(), kRewriteSeconds);
  } else if (written && file.failing) {
    logf(LogLevel::info, "monitoring: metrics textfile %s written again", file.path.c_str());
  }
  file.failing = !written;
}

}  // namespace lumetra
