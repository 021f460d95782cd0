// Through the real shell under a private X server: start-up from exec to the
// page's first script (median of several starts, without the splash, in
// turns with a bare WebKitGTK window showing the same page), calls
// per second of a cheap window function (checkImage with a wrong count)
// against a plain function of the page, and the memory of the UI, web and
// network processes after 1,000 and after 10,000 receipts printed with
// printTask to a fake network printer on 127.0.11.50 (the 40-line receipt of
// bench/receipt_40_lines.json).
//   shell_bench
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "e2e/support/processes.h"
#include "e2e/support/shell.h"
#include "e2e/support/x_server.h"
#include "support/fake_network_printer.h"

namespace {

using namespace lumetra;

constexpr const char* kPrinterAddress = "127.0.11.50";
constexpr int kStarts = 7;

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
  for (const char* page : {"shell_bench.html", "start_up.html"}) {
    std::filesystem::copy_file(std::string(LUMETRA_SOURCE_DIR) + "/bench/pages/" + page, folder / page);
  }
}

// The shell's child process whose name starts with `name` (the kernel keeps
// 15 characters of it), or -1.
pid_t childProcessOf(pid_t shell, const std::string& name) {
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string pid = entry.path().filename().string();
    if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
    const std::string stat = readWhole(entry.path() / "stat");
    const auto nameEnd = stat.rfind(')');
    if (nameEnd == std::string::npos || stat.find("(" + name.substr(0, 15)) == std::string::npos) continue;
    int parent = 0;
    if (std::sscanf(stat.c_str() + nameEnd + 2, "%*c %d", &parent) == 1 && parent == shell) {
      return std::stoi(pid);
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

std::int64_t epochMilliseconds() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

// The time the page's first script logged in `text`, or -1.
std::int64_t firstScriptTime(const std::string& text) {
  const auto at = text.find("first script at ");
  return at == std::string::npos ? -1 : std::stoll(text.substr(at + 16));
}

// Milliseconds from starting the shell (no splash) to its page's first
// script, which logs the time it runs; -1 when it never ran.
std::int64_t startUpMilliseconds(const e2e::XServer& x, const e2e::ShellHome& home) {
  std::filesystem::remove(home.consoleLog());
  const std::int64_t start = epochMilliseconds();
  e2e::Shell shell(x, home,
                   {.startPage = "file://" + (home.directory() / "start_up.html").string(),
                    .switches = {"--multi-threaded-message-loop"}});
  if (!home.waitForConsole("first script at ")) return -1;
  return firstScriptTime(home.consoleText()) - start;
}

// The same for the bare WebKitGTK window, the floor of any shell built on it.
std::int64_t bareWebKitMilliseconds(const e2e::XServer& x, const e2e::ShellHome& home) {
  const std::filesystem::path output = home.directory() / "bare-webkit.txt";
  std::filesystem::remove(output);
  e2e::SpawnOptions options;
  options.arguments = {LUMETRA_BARE_WEBKIT_WINDOW, "file://" + (home.directory() / "start_up.html").string()};
  options.environment = home.environment(x.display());
  options.workingDirectory = home.directory();
  options.outputFile = output;
  const std::int64_t start = epochMilliseconds();
  const pid_t window = e2e::spawn(options);
  const bool ran = e2e::eventually([&] { return firstScriptTime(e2e::readText(output)) >= 0; });
  e2e::stopProcess(window);
  return ran ? firstScriptTime(e2e::readText(output)) - start : -1;
}

// The median of the runs, and the fastest and slowest; the fastest is -1
// when a run never reached its first script.
struct StartUps {
  std::int64_t median, fastest, slowest;
};

StartUps summary(std::vector<std::int64_t> times) {
  std::sort(times.begin(), times.end());
  return {times[times.size() / 2], times.front(), times.back()};
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
  writeBenchData(home.directory());

  // Taken in turns, so that a burst of other work on the machine falls on both.
  std::vector<std::int64_t> shellTimes;
  std::vector<std::int64_t> bareTimes;
  for (int run = 0; run < kStarts; ++run) {
    shellTimes.push_back(startUpMilliseconds(x, home));
    bareTimes.push_back(bareWebKitMilliseconds(x, home));
  }
  const StartUps shellStarts = summary(shellTimes);
  const StartUps bareStarts = summary(bareTimes);
  if (shellStarts.fastest < 0 || bareStarts.fastest < 0) {
    std::fprintf(stderr, "shell_bench: the start-up page did not run\n");
    return 1;
  }
  std::filesystem::remove(home.consoleLog());

  e2e::Shell shell(x, home, {.startPage = "file://" + (home.directory() / "shell_bench.html").string()});
  if (!waitForConsole(home, "printed 1000")) {
    std::fprintf(stderr, "shell_bench: the page did not run\n%s%s", home.consoleText().c_str(), shell.errors().c_str());
    return 1;
  }
  const pid_t web = childProcessOf(shell.pid(), "WebKitWebProcess");
  const pid_t network = childProcessOf(shell.pid(), "WebKitNetworkProcess");
  const auto [rssAfter1000, peakAfter1000] = memoryOf(web);
  if (!waitForConsole(home, "printed 10000")) return 1;
  const auto [rssAfter10000, peakAfter10000] = memoryOf(web);

  const std::string log = home.consoleText();
  double native = 0;
  double plain = 0;
  std::sscanf(log.c_str() + log.find("calls per second:"), "calls per second: checkImage %lf plain %lf", &native,
              &plain);
  std::printf("| shell figure | measured | target |\n|---|---:|---:|\n");
  const auto printStartUps = [](const char* what, const StartUps& starts, const char* target) {
    std::printf(
        "| %s, exec to the page's first script: median of %d (fastest, slowest) | %lld ms (%lld, %lld) | %s |\n", what,
        kStarts, static_cast<long long>(starts.median), static_cast<long long>(starts.fastest),
        static_cast<long long>(starts.slowest), target);
  };
  printStartUps("start-up, no splash", shellStarts, "< 250 ms");
  printStartUps("peer: a bare WebKitGTK window, same page", bareStarts, "-");
  std::printf("| window function call (checkImage, wrong count) | %.0f calls/s | - |\n", native);
  std::printf("| plain page function, same page | %.0f calls/s | - |\n", plain);
  std::printf("| web process after 1,000 receipts: RSS / peak | %.1f MB / %.1f MB | flat |\n", rssAfter1000,
              peakAfter1000);
  std::printf("| web process after 10,000 receipts: RSS / peak | %.1f MB / %.1f MB | flat |\n", rssAfter10000,
              peakAfter10000);
  std::printf("| UI process peak RSS | %.1f MB | reported |\n", memoryOf(shell.pid()).second);
  std::printf("| network process peak RSS | %.1f MB | reported |\n", memoryOf(network).second);
  std::printf("| receipts the printer received (connections) | %zu | 10000 |\n", printer.waitForConnections(10000));
  return 0;
}
