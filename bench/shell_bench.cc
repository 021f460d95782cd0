// Through the real shell under a private X server: calls per second of a
// cheap window function (checkImage with a wrong count) against a plain
// function of the page, and the web process's memory after 1,000 and after
// 10,000 receipts printed with printTask to a fake network printer on
// 127.0.11.50 (the 40-line receipt of bench/receipt_40_lines.json).
//   shell_bench
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "e2e/support/shell.h"
#include "e2e/support/x_server.h"
#include "support/fake_network_printer.h"

namespace {

using namespace lumetra;

constexpr const char* kPrinterAddress = "127.0.11.50";

std::string readWhole(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The page's receipt: the benchmark receipt sent to the fake printer.
void writeBenchData(const std::filesystem::path& folder) {
  std::string task = readWhole(std::string(LUMETRA_SOURCE_DIR) + "/bench/receipt_40_lines.json");
  const std::string spooler = R"("ipaddress":"","printerType":2)";
  task.replace(task.find(spooler), spooler.size(),
               std::string(R"("ipaddress":")") + kPrinterAddress + R"(","printerType":3)");
  std::ofstream(folder / "bench_data.js") << "const benchReceiptTask = " << task << ";\n";
  std::filesystem::copy_file(std::string(LUMETRA_SOURCE_DIR) + "/bench/pages/shell_bench.html",
                             folder / "shell_bench.html");
}

// The shell's web process: its child named WebKitWebProcess.
pid_t webProcessOf(pid_t shell) {
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    const std::string stat = readWhole(entry.path() / "stat");
    const auto nameEnd = stat.rfind(')');
    if (nameEnd == std::string::npos || stat.find("(WebKitWebProces") == std::string::npos) continue;
    int parent = 0;
    if (std::sscanf(stat.c_str() + nameEnd + 2, "%*c %d", &parent) == 1 && parent == shell) {
      return std::stoi(name);
    }
  }
  return -1;
}

// VmRSS and VmHWM of a process, in MB.
std::pair<double, double> memoryOf(pid_t process) {
  const std::string status = readWhole("/proc/" + std::to_string(process) + "/status");
  const auto kilobytes = [&](const char* field) {
    const auto at = status.find(field);
    return at == std::string::npos ? 0.0 : std::stod(status.substr(at + std::string(field).size())) / 1024;
  };
  return {kilobytes("VmRSS:"), kilobytes("VmHWM:")};
}

// Waits (bounded only against a hang) for the page to log `text`.
bool waitForConsole(const e2e::ShellHome& home, const std::string& text) {
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(10);
  while (home.consoleText().find(text) == std::string::npos) {
    if (std::chrono::steady_clock::now() > giveUp) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

}  // namespace

int main() {
  test::FakeNetworkPrinter printer(kPrinterAddress);
  e2e::XServer x({.windowManager = false});
  e2e::ShellHome home;
  std::filesystem::copy(std::string(LUMETRA_SOURCE_DIR) + "/dev", home.directory() / "dev");
  writeBenchData(home.directory());
  e2e::Shell shell(x, home, {.startPage = "file://" + (home.directory() / "shell_bench.html").string()});

  if (!waitForConsole(home, "printed 1000")) {
    std::fprintf(stderr, "shell_bench: the page did not run\n%s%s", home.consoleText().c_str(),
                 shell.errors().c_str());
    return 1;
  }
  const pid_t web = webProcessOf(shell.pid());
  const auto [rssAfter1000, peakAfter1000] = memoryOf(web);
  if (!waitForConsole(home, "printed 10000")) return 1;
  const auto [rssAfter10000, peakAfter10000] = memoryOf(web);

  const std::string log = home.consoleText();
  double native = 0;
  double plain = 0;
  std::sscanf(log.c_str() + log.find("calls per second:"), "calls per second: checkImage %lf plain %lf", &native,
              &plain);
  std::printf("| window function call (checkImage, wrong count) | %.0f calls/s |\n", native);
  std::printf("| plain page function, same page | %.0f calls/s |\n", plain);
  std::printf("| web process after 1,000 receipts: RSS / peak | %.1f MB / %.1f MB |\n", rssAfter1000, peakAfter1000);
  std::printf("| web process after 10,000 receipts: RSS / peak | %.1f MB / %.1f MB |\n", rssAfter10000,
              peakAfter10000);
  std::printf("| receipts the printer received (connections) | %zu |\n", printer.waitForConnections(0));
  return 0;
}
