#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "delivery/printer_state.h"

namespace lumetra {

// What the metrics tell of the process itself.
struct MetricsProcess {
  std::string_view version;
  std::int64_t startUnixSeconds = 0;  // when the counts started
};

// The printers' state in the Prometheus text exposition format (0.0.4),
// for the node exporter's textfile collector: every metric named
// "lumetra_…" with its HELP and TYPE lines, printers labelled by name and
// kind. `nowUnixSeconds` gives the oldest tickets' age.
std::string printerMetricsText(const std::vector<PrinterState>& printers, const MetricsProcess& process,
                               std::int64_t nowUnixSeconds);

}  // namespace lumetra
