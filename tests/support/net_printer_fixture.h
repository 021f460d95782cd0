#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "base/call_frame.h"
#include "net/net_printer_slots.h"
#include "printer/printers.h"
#include "support/fake_network_printer.h"
#include "support/recording_spooler.h"
#include "support/temp_dir.h"
#include "support/test_context.h"

namespace lumetra::test {

// A web process's network printers with a known kitchen command table.
// Message boxes go to a log file the test reads.
class NetPrinterTest : public ::testing::Test {
 protected:
  NetPrinterTest() {
    startQuickDelivery(context_, dir_.path(), backlog_);
    // ESC J n feed, GS V m cut (alternative mode 1), ESC ! n size with
    // wide 0x20, tall 0x10, both 0x30; no pre-feed.
    const std::string table = hexBytes("1b 4a 00 00 00 1d 56 00 01 1b 21 00 1b 61 00 20 10 30");
    std::copy(table.begin(), table.end(), kitchenTable().bytes.begin());
  }

  PrinterModelConfig& kitchenTable() { return test::kitchenCommands(context_.printers); }

  // Message boxes shown so far, one "caption<TAB>text" line each.
  std::string dialogs() const { return std::filesystem::exists(dialogLog_) ? readFile(dialogLog_) : std::string(); }

  CallResult call(std::string_view name, std::initializer_list<CallArgument> arguments) {
    return callFunction(context_, name, CallArguments(std::vector<CallArgument>(arguments)));
  }

  TempDir dir_;
  BacklogRecorder backlog_;
  std::filesystem::path dialogLog_ = dir_.path() / "dialogs.log";
  RecordingSpooler spooler_;  // knows no printer until a test adds one
  platform::LoggedDialogs dialogs_{dialogLog_, platform::DialogAnswer::no};
  Context context_{spooler_, dialogs_};
};

// Arguments as the page passes them: numbers, strings, booleans.
inline CallArgument arg(int number) { return CallArgument::number(number); }
inline CallArgument arg(const char* text) { return CallArgument::string(text); }
inline CallArgument arg(bool flag) { return CallArgument::boolean(flag); }

}  // namespace lumetra::test
