// The network printer and kitchen ticket window functions called with
// arbitrary arguments, in arbitrary order. Every address a call gives is
// replaced by one of 127.0.11.1 .. 127.0.11.9: a fuzzer must never reach a
// real printer. Printers listen on the first four; the others refuse.
#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "functions/network_functions.h"
#include "support/fake_network_printer.h"
#include "support/fuzzed_calls.h"

namespace {

using namespace lumetra;

constexpr int kFakePrinterAddresses = 9;
constexpr int kListeningPrinters = 4;
// The fake printers keep every byte; starting them afresh now and then keeps
// a long run's memory flat.
constexpr int kRunsPerPrinterLife = 2000;

std::string loopbackPrinter(const std::string& address) {
  return "127.0.11." + std::to_string(1 + std::hash<std::string>{}(address) % kFakePrinterAddresses);
}

std::array<std::unique_ptr<test::FakeNetworkPrinter>, kListeningPrinters>& printers() {
  static std::array<std::unique_ptr<test::FakeNetworkPrinter>, kListeningPrinters> running;
  return running;
}

void startPrinters() {
  for (int i = 0; i < kListeningPrinters; ++i) {
    printers()[i].reset();  // frees the address before it is taken again
    printers()[i] = std::make_unique<test::FakeNetworkPrinter>("127.0.11." + std::to_string(i + 1));
  }
}

// The kitchen runs' journal: one folder per process, emptied for every
// input and removed at exit (so the path is never destroyed before that).
// In memory where the system offers it: every input starts a journal anew.
const std::filesystem::path& journalFolder() {
  static const std::filesystem::path& folder = *[] {
    const std::filesystem::path parent =
        std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
    auto* made = new std::filesystem::path(parent / ("lumetra-fuzz-" + std::to_string(::getpid())));
    std::filesystem::create_directories(*made);
    std::atexit([] { std::filesystem::remove_all(journalFolder()); });
    return made;
  }();
  return folder;
}

constexpr std::array<std::string_view, 7> kNetworkFunctions{
    "startIPPrintTask", "endIPPrintTask",          "printTextByNet",           "cutPaperByNet",
    "rollPaperByNet",   "addMultiPrinterTaskItem", "printMultiKitchenTaskList"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Started here, not at initialisation: a corpus merge initialises a second
  // process, which must not compete for the addresses.
  static int runs = 0;
  if (runs++ % kRunsPerPrinterLife == 0) startPrinters();
  FuzzedDataProvider input(data, size);
  // Each input starts from nothing bound and nothing queued. Connection
  // failures show message boxes; a fuzzer has nobody to show them to.
  platform::UnavailableSpooler spooler;
  platform::LoggedDialogs dialogs("/dev/null", platform::DialogAnswer::no);
  Context context(spooler, dialogs);
  std::filesystem::remove(journalFolder() / "outbox.journal");
  using std::chrono::milliseconds;
  context.jobs.timings = DeliveryTimings{.ticket = {.connectWait = milliseconds(20),
                                                    .answerWait = milliseconds(50),
                                                    .silenceLimit = std::chrono::seconds(1),
                                                    .statusWait = milliseconds(20),
                                                    .statusEvery = milliseconds(20),
                                                    .processIdWait = milliseconds(100)},
                                         .retryInterval = milliseconds(20),
                                         .longestBackoff = milliseconds(50),
                                         .queueWatchInterval = milliseconds(50)};
  startDelivery(context.jobs, journalFolder());
  for (int call = 0; call < 24 && input.remaining_bytes() > 0; ++call) {
    const WindowFunctionHandler& function = fuzz::fuzzedFunction(input, kNetworkFunctions);
    std::vector<CallArgument> arguments = fuzz::fuzzedArguments(input);
    if (const std::string* address = fuzz::stringArgument(arguments, 0);
        address && !address->empty() && function.name() == "startIPPrintTask") {
      arguments[0] = CallArgument::string(loopbackPrinter(*address));
    }
    function.execute(context, CallArguments(std::move(arguments)));
  }
  return 0;
}
