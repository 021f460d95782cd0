#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "net/net_printer_slots.h"
#include "net/print_target.h"
#include "printer/printer_registry.h"
#include "base/call_frame.h"
#include "support/fake_network_printer.h"
#include "support/temp_dir.h"

namespace lumetra::test {

// Network transport state is process-wide: every test starts and ends with
// no bound slot, no task connection and a known kitchen command table.
// Message boxes go to a log file the test reads.
class NetPrinterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetTransport();
    PrinterModelConfig& cfg = findOrCreateSession(kKitchenPrinterName).commands;
    // ESC J n feed, GS V m cut (alternative mode 1), ESC ! n size with
    // wide 0x20, tall 0x10, both 0x30; no pre-feed.
    const std::string table = hexBytes("1b 4a 00 00 00 1d 56 00 01 1b 21 00 1b 61 00 20 10 30");
    std::copy(table.begin(), table.end(), cfg.bytes.begin());
  }
  void TearDown() override { resetTransport(); }

  static void resetTransport() {
    releaseAllSlots();
    closeTaskConnections();
    printerRegistry().clear();
  }

  PrinterModelConfig& kitchenTable() { return findOrCreateSession(kKitchenPrinterName).commands; }

  // Message boxes shown so far, one "caption<TAB>text" line each.
  std::string dialogs() const {
    return std::filesystem::exists(dialogLog_) ? readFile(dialogLog_) : std::string();
  }

  TempDir dir_;
  std::filesystem::path dialogLog_ = dir_.path() / "dialogs.log";
  ScopedEnv dialogMode_{"LUMETRA_DIALOG_LOG", dialogLog_.string()};
};

// Arguments as the page passes them: numbers, strings, booleans.
inline CallArgument arg(int number) { return CallArgument::number(number); }
inline CallArgument arg(const char* text) { return CallArgument::string(text); }
inline CallArgument arg(bool flag) { return CallArgument::boolean(flag); }

inline CallResult call(CallResult (*function)(const CallArguments&),
                       std::initializer_list<CallArgument> arguments) {
  return function(CallArguments(std::vector<CallArgument>(arguments)));
}

}  // namespace lumetra::test
