// The network printer and kitchen ticket window functions called with
// arbitrary arguments, in arbitrary order. Every address a call gives is
// replaced by one of 127.0.11.1 .. 127.0.11.9: a fuzzer must never reach a
// real printer. Printers listen on the first four; the others refuse.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "jobs/kitchen_task_functions.h"
#include "jobs/kitchen_task_list.h"
#include "net/net_printer_functions.h"
#include "net/net_printer_slots.h"
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

constexpr std::array<WindowFunction, 7> kNetworkFunctions{
    startIPPrintTask, endIPPrintTask,          printTextByNet,           cutPaperByNet,
    rollPaperByNet,   addMultiPrinterTaskItem, printMultiKitchenTaskList};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Connection failures show message boxes; a fuzzer has nobody to show them to.
  ::setenv("LUMETRA_DIALOG_LOG", "/dev/null", 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Started here, not at initialisation: a corpus merge initialises a second
  // process, which must not compete for the addresses.
  static int runs = 0;
  if (runs++ % kRunsPerPrinterLife == 0) startPrinters();
  FuzzedDataProvider input(data, size);
  for (int call = 0; call < 24 && input.remaining_bytes() > 0; ++call) {
    const WindowFunction function = fuzz::fuzzedFunction(input, kNetworkFunctions);
    std::vector<CallArgument> arguments = fuzz::fuzzedArguments(input);
    if (const std::string* address = fuzz::stringArgument(arguments, 0);
        address && !address->empty() && function == startIPPrintTask) {
      arguments[0] = CallArgument::string(loopbackPrinter(*address));
    }
    function(CallArguments(std::move(arguments)));
  }
  // Each input starts from nothing bound and nothing queued: with no
  // printer bound, the flush drops what is left.
  releaseAllSlots();
  flushKitchenTaskList();
  return 0;
}
