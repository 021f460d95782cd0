// How long printTask holds the page for a 40-line receipt in each state a
// network printer can be in, and what the printer then got: tickets sent,
// arrived (whole, at least once), printed twice, lost. Then printTask's cost
// with 0, 1,000 and 64,000 tickets waiting for dead printers, and tickets
// per second through the delivery to six healthy printers. Last, each fault
// the virtual printer plays, with the shop's timings: what the staff were
// told, how soon, and the tickets printed once, twice, cut off or lost.
//   delivery_bench [SAMPLES]   (default 200 receipts per printer state)
// Fake printers on 127.0.12.x, virtual printers on 127.0.13.x; the journal
// in a fresh temporary folder.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "handover/print_jobs.h"
#include "support/fake_network_printer.h"
#include "support/printer_faults.h"
#include "support/temp_dir.h"
#include "support/test_context.h"
#include "support/virtual_printer_control.h"

namespace {

using namespace lumetra;
using Clock = std::chrono::steady_clock;

std::string receiptTemplate() {
  std::ifstream file(std::string(LUMETRA_SOURCE_DIR) + "/bench/receipt_40_lines.json", std::ios::binary);
  std::string task{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  const std::string spooler = R"("ipaddress":"","printerType":2)";
  task.replace(task.find(spooler), spooler.size(), R"("ipaddress":"ADDRESS","printerType":3)");
  // The ticket's number goes last, so a ticket whose number arrived arrived whole.
  task.replace(task.rfind("\n]}"), 3, R"(,{"type":0,"content":"NUMBER","remark":8}]})");
  return task;
}

std::string receipt(const std::string& address, int number) {
  static const std::string format = receiptTemplate();
  std::string task = format;
  task.replace(task.find("ADDRESS"), 7, address);
  task.replace(task.find("NUMBER"), 6, test::ticketText(number));
  return task;
}

struct Percentiles {
  double p50 = 0;
  double p99 = 0;
};

Percentiles percentiles(std::vector<double> milliseconds) {
  std::sort(milliseconds.begin(), milliseconds.end());
  if (milliseconds.empty()) return {};
  const std::size_t p99 = (milliseconds.size() * 99 + 99) / 100 - 1;
  return {milliseconds[milliseconds.size() / 2], milliseconds[std::min(p99, milliseconds.size() - 1)]};
}

double millisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// One printTask call as the page makes it: how long the page is held.
double timedPrintTask(Context& context, const std::string& taskList) {
  const Clock::time_point start = Clock::now();
  test::callFunction(context, "printTask", CallArguments({CallArgument::string(taskList)}));
  return millisecondsSince(start);
}

// Waits (at most `limit`) until `done`.
bool waitUntil(const std::function<bool()>& done, std::chrono::seconds limit) {
  const Clock::time_point end = Clock::now() + limit;
  while (!done()) {
    if (Clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

struct PrinterScenario {
  const char* name;
  std::function<void(test::FakeNetworkPrinter&)> enter;
  std::function<void(test::FakeNetworkPrinter&)> recover;  // back to health, the way it happens in a shop
  std::size_t receiveBuffer = 0;
};

void measureState(Context& context, const PrinterScenario& state, const std::string& address, int samples) {
  std::vector<std::unique_ptr<test::FakeNetworkPrinter>> printers;
  printers.push_back(std::make_unique<test::FakeNetworkPrinter>(address, 9100, state.receiveBuffer));
  test::FakeNetworkPrinter& printer = *printers.front();
  std::optional<test::PrinterFaults> flapping;
  if (state.enter) {
    state.enter(printer);
  } else {
    flapping.emplace(printers, 12345, std::chrono::milliseconds(300));
  }
  std::vector<double> freeze;
  const Clock::time_point start = Clock::now();
  for (int number = 0; number < samples; ++number) {
    freeze.push_back(timedPrintTask(context, receipt(address, number)));
    // Against a flapping printer, tickets come at a till's pace, so that
    // the faults meet them.
    if (flapping) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  const double handOver = millisecondsSince(start);
  // A flapping printer keeps flapping while it is sent its tickets.
  if (flapping) waitUntil([&] { return context.jobs.outbox.waiting() == 0; }, std::chrono::seconds(20));
  flapping.reset();
  if (state.recover) state.recover(printer);
  waitUntil([&] { return context.jobs.outbox.waiting() == 0; }, std::chrono::seconds(120));

  std::vector<std::string> streams;
  for (const auto& connection : printer.connectionRecords()) streams.push_back(connection.bytes);
  const test::PrintedTickets tickets = test::readTickets(streams, "", "");
  std::vector<int> arrived = tickets.firstPrints();
  std::erase_if(arrived, [&](int number) { return number >= samples; });  // not the page's later tickets
  int cutShort = 0;  // connections the printer ended in the middle of a ticket
  for (const auto& connection : printer.connectionRecords())
    cutShort += connection.endedByPrinter && !connection.bytes.empty();
  const Percentiles held = percentiles(freeze);
  std::printf("| %-22s | %8.2f | %8.2f | %5d | %7zu | %10d | %7d | %4zu | %12.1f |\n", state.name, held.p50, held.p99,
              samples, arrived.size(), tickets.printedAgain(), cutShort,
              static_cast<std::size_t>(samples) - arrived.size(), handOver / 1000);
}

// printTask to a healthy printer while `waiting` tickets wait for eight
// printers that refuse every connection.
void measureWithWaiting(Context& context, int waiting, int samples) {
  constexpr int kDeadPrinters = 8;
  constexpr int kPerCall = 1000;
  for (int filled = 0; filled < waiting;) {
    std::string list = "[";
    for (int n = 0; n < kPerCall && filled < waiting; ++n, ++filled) {
      list +=
          (list.size() > 1 ? "," : "") + receipt("127.0.12." + std::to_string(100 + filled % kDeadPrinters), filled);
    }
    test::callFunction(context, "printTask", CallArguments({CallArgument::string(list + "]")}));
  }
  test::FakeNetworkPrinter printer("127.0.12.90");
  std::vector<double> freeze;
  for (int number = 0; number < samples; ++number)
    freeze.push_back(timedPrintTask(context, receipt("127.0.12.90", number)));
  printer.waitForText(test::ticketText(samples - 1));
  const Percentiles held = percentiles(freeze);
  std::printf("| %6d waiting | %8.3f | %8.3f |\n", waiting, held.p50, held.p99);
}

void measureThroughput(Context& context, int tickets) {
  std::vector<std::unique_ptr<test::FakeNetworkPrinter>> printers;
  for (int i = 0; i < 6; ++i)
    printers.push_back(std::make_unique<test::FakeNetworkPrinter>("127.0.12." + std::to_string(60 + i)));
  const Clock::time_point start = Clock::now();
  for (int number = 0; number < tickets; ++number) {
    timedPrintTask(context, receipt(printers[number % 6]->address(), number));
  }
  for (int number = tickets - 6; number < tickets; ++number)
    printers[number % 6]->waitForText(test::ticketText(number));
  const double seconds = millisecondsSince(start) / 1000;
  std::printf("%d tickets to 6 healthy printers, one printTask each: %.0f tickets/s arrived\n", tickets,
              tickets / seconds);
}

struct VirtualPrinterFault {
  const char* name;
  std::vector<std::string> options;  // of the virtual printer
  std::vector<std::string> fault;    // control commands, after the first tickets printed
  const char* reason;                // what the staff are told
  std::vector<std::string> recovery;
};

// Seven four-line tickets (a refilled roll takes the last four); the fault
// comes once the first three printed.
void measureFault(const VirtualPrinterFault& fault, const std::string& address) {
  constexpr int kTickets = 7;
  test::TempDir journal, output;
  test::BacklogRecorder told;
  platform::UnavailableSpooler spooler;
  platform::LoggedDialogs dialogs("/dev/null", platform::DialogAnswer::no);
  Context context(spooler, dialogs);
  context.jobs.onBacklogChanged = told.listener();
  startDelivery(context.jobs, journal.path());
  test::ControlledPrinter printer(address, output, fault.options);
  const auto handOver = [&](int from, int to) {
    std::string list = "[";
    for (int ticket = from; ticket <= to; ++ticket)
      list += (list.size() > 1 ? "," : "") + test::fourLineTicketTask(address, ticket);
    test::callFunction(context, "printTask", CallArguments({CallArgument::string(list + "]")}));
  };
  handOver(1, 3);
  waitUntil([&] { return context.jobs.outbox.waiting() == 0; }, std::chrono::seconds(30));
  const Clock::time_point start = Clock::now();
  for (const std::string& command : fault.fault) printer.control(command);
  handOver(4, kTickets);
  const bool seen =
      waitUntil([&] { return told.reasonsSeen(address).contains(fault.reason); }, std::chrono::seconds(60));
  const double noticeAfter = millisecondsSince(start);
  const std::size_t printedWhileFaulty = test::ticketsInReceipts(output.path()).whole.size();
  std::this_thread::sleep_for(std::chrono::seconds(2));
  for (const std::string& command : fault.recovery) printer.control(command);
  waitUntil([&] { return context.jobs.outbox.waiting() == 0; }, std::chrono::seconds(120));
  const test::ReceiptTickets printed = test::waitForTicketsInReceipts(output.path(), kTickets);
  int twice = 0;
  for (const auto& [ticket, times] : printed.whole) twice += times - 1;
  std::printf("| %-34s | %-24s | %9.0f | %5d | %12zu | %7zu | %10d | %7zu | %4zu |\n", fault.name,
              seen ? fault.reason : "(nothing)", noticeAfter, kTickets, printedWhileFaulty, printed.whole.size(), twice,
              printed.cutOff.size(), kTickets - printed.whole.size());
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);  // rows as they come: some take minutes
  const int samples = argc > 1 ? std::atoi(argv[1]) : 200;
  test::TempDir journal;
  platform::UnavailableSpooler spooler;
  platform::LoggedDialogs dialogs("/dev/null", platform::DialogAnswer::no);
  Context context(spooler, dialogs);
  startDelivery(context.jobs, journal.path());

  using Printer = test::FakeNetworkPrinter;
  const std::vector<PrinterScenario> states{
      {"healthy", [](Printer&) {}, {}},
      {"slow (4 KB buffer)", [](Printer& p) { p.readSlowly(256, std::chrono::milliseconds(20)); }, {}, 4096},
      {"refusing", [](Printer& p) { p.switchOff(); }, [](Printer& p) { p.switchOn(); }},
      {"unreachable", [](Printer& p) { p.stopAnswering(); }, [](Printer& p) { p.answerAgain(); }},
      {"stalled, power-cycled", [](Printer& p) { p.stopReading(); },
       [](Printer& p) {
         p.cutPower();
         p.switchOn();
       }},
      {"flapping", {}, {}},
  };
  std::printf(
      "page freeze of printTask (40-line receipt) per printer state, ms; tickets after the printer recovered\n");
  std::printf(
      "| printer state          |      p50 |      p99 |  sent | arrived | duplicated | cut off | lost | page held, s "
      "|\n");
  std::printf("|---|---:|---:|---:|---:|---:|---:|---:|---:|\n");
  for (std::size_t i = 0; i < states.size(); ++i) {
    measureState(context, states[i], "127.0.12." + std::to_string(10 + i), samples);
  }
  std::printf("\n");
  measureThroughput(context, 2000);
  std::printf("\nprintTask to a healthy printer with tickets waiting for dead printers, ms\n");
  std::printf("| waiting | p50 | p99 |\n|---|---:|---:|\n");
  for (const int waiting : {0, 1000, 64000}) measureWithWaiting(context, waiting, samples);

  const std::vector<VirtualPrinterFault> faults{
      {"paper out", {}, {"paper-out"}, "打印机缺纸，请装纸", {"paper-in"}},
      {"paper runs out inside ticket 5", {"--paper-lines", "18"}, {}, "打印机缺纸，请装纸", {"paper-in"}},
      {"cover open", {}, {"cover-open"}, "打印机上盖打开，请合上", {"cover-close"}},
      {"stops reading (jam)", {}, {"stall"}, "打印机停止接收数据", {"resume"}},
      {"switched off", {}, {"power-off"}, "打印机拒绝连接", {"power-on"}},
      {"power cycle while out of paper",
       {"--paper-lines", "18"},
       {},
       "打印机缺纸，请装纸",
       {"power-off", "power-on", "paper-in"}},
  };
  std::printf("\nprinter faults with the virtual printer (shop timings): the staff's notice and the tickets\n");
  std::printf("| fault | notice | after, ms | sent | printed during | printed | duplicated | cut off | lost |\n");
  std::printf("|---|---|---:|---:|---:|---:|---:|---:|---:|\n");
  for (std::size_t i = 0; i < faults.size(); ++i) measureFault(faults[i], "127.0.13." + std::to_string(10 + i));
  return 0;
}
