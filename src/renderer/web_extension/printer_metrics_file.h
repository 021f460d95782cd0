#pragma once

#include <filesystem>

#include "handover/print_jobs.h"

namespace lumetra {

// Keeps the printers' state of `jobs` in the textfile at `path` (README:
// "Monitoring"), rewritten every few seconds, so that the age of the
// oldest ticket grows between changes; nothing for an empty path. Call
// once, on the main thread; `jobs` must live as long as the process.
void startPrinterMetricsFile(const std::filesystem::path& path, PrintJobs& jobs);

// Main thread: a printer's state changed; rewrites the file at once.
void writePrinterMetricsFile();

}  // namespace lumetra
