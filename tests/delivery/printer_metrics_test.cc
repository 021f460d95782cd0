// The metrics textfile's text, case by case, and as promtool reads it.
#include "delivery/printer_metrics.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/child_process.h"

namespace lumetra {
namespace {

constexpr std::int64_t kNow = 1'760'000'000;

PrinterState state(PrinterKind kind, std::string name) {
  PrinterState printer;
  printer.printer = PrinterKey{kind, std::move(name)};
  return printer;
}

// The text's lines for one metric's samples, in order.
std::vector<std::string> samples(const std::string& text, const std::string& metric) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = text.find('\n', at);
    const std::string line = text.substr(at, end - at);
    if (line.starts_with(metric + "{") || line.starts_with(metric + " ")) lines.push_back(line);
    at = end + 1;
  }
  return lines;
}

TEST(PrinterMetricsTest, EachPrintersStateBecomesLabelledSamples) {
  PrinterState bar = state(PrinterKind::network, "10.0.0.7");
  bar.waiting = 3;
  bar.oldestUnixSeconds = kNow - 700;
  bar.held = 2;
  bar.reason = Trouble::paperEnd;
  bar.condition = Trouble::paperNearEnd;
  bar.delivered = 41;
  bar.failed = 2;
  PrinterState kitchen = state(PrinterKind::spooler, "厨房 \"A\"\\B\nC\x01\xff");
  kitchen.delivered = 5;
  PrinterState early = state(PrinterKind::network, "10.0.0.8");  // handed over "later" by a clock set back
  early.waiting = 1;
  early.oldestUnixSeconds = kNow + 30;
  const std::string text = printerMetricsText({kitchen, bar, early}, MetricsProcess{"0.1\"x", 1'759'999'000}, kNow);
  const std::string kitchenLabels = R"(printer="厨房 \"A\"\\B\nC �",kind="spooler")";

  const struct {
    std::string metric;
    std::vector<std::string> lines;
  } cases[] = {
      {"lumetra_build_info", {R"(lumetra_build_info{version="0.1\"x"} 1)"}},
      {"lumetra_start_time_seconds", {"lumetra_start_time_seconds 1759999000"}},
      {"lumetra_tickets_waiting",
       {"lumetra_tickets_waiting{" + kitchenLabels + "} 0",
        R"(lumetra_tickets_waiting{printer="10.0.0.7",kind="network"} 3)",
        R"(lumetra_tickets_waiting{printer="10.0.0.8",kind="network"} 1)"}},
      {"lumetra_oldest_ticket_age_seconds",
       {"lumetra_oldest_ticket_age_seconds{" + kitchenLabels + "} 0",
        R"(lumetra_oldest_ticket_age_seconds{printer="10.0.0.7",kind="network"} 700)",
        R"(lumetra_oldest_ticket_age_seconds{printer="10.0.0.8",kind="network"} 0)"}},
      {"lumetra_tickets_held",
       {"lumetra_tickets_held{" + kitchenLabels + "} 0", R"(lumetra_tickets_held{printer="10.0.0.7",kind="network"} 2)",
        R"(lumetra_tickets_held{printer="10.0.0.8",kind="network"} 0)"}},
      {"lumetra_printer_reason", {R"(lumetra_printer_reason{printer="10.0.0.7",kind="network",reason="paper-end"} 1)"}},
      {"lumetra_printer_condition",
       {R"(lumetra_printer_condition{printer="10.0.0.7",kind="network",condition="paper-near-end"} 1)"}},
      {"lumetra_tickets_delivered_total",
       {"lumetra_tickets_delivered_total{" + kitchenLabels + "} 5",
        R"(lumetra_tickets_delivered_total{printer="10.0.0.7",kind="network"} 41)",
        R"(lumetra_tickets_delivered_total{printer="10.0.0.8",kind="network"} 0)"}},
      {"lumetra_tickets_failed_total",
       {"lumetra_tickets_failed_total{" + kitchenLabels + "} 0",
        R"(lumetra_tickets_failed_total{printer="10.0.0.7",kind="network"} 2)",
        R"(lumetra_tickets_failed_total{printer="10.0.0.8",kind="network"} 0)"}},
  };
  for (const auto& expected : cases) {
    EXPECT_EQ(samples(text, expected.metric), expected.lines) << expected.metric;
    EXPECT_NE(text.find("# TYPE " + expected.metric + " "), std::string::npos) << expected.metric;
    EXPECT_NE(text.find("# HELP " + expected.metric + " "), std::string::npos) << expected.metric;
  }

  // As the node exporter's own checks read it: promtool finds nothing to
  // say of it, with no printer as with these.
  for (const std::string& checked : {text, printerMetricsText({}, MetricsProcess{"0.1", 1}, kNow)}) {
    test::ChildProcess promtool("/usr/bin/promtool", {"check", "metrics"});
    promtool.writeInput(checked);
    promtool.closeInput();
    std::string said;
    while (const auto line = promtool.readLine()) said += *line + "\n";
    EXPECT_EQ(promtool.wait(), 0) << said << checked;
    EXPECT_EQ(said, "") << checked;
  }
}

}  // namespace
}  // namespace lumetra
