#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "functions/context.h"
#include "platform/desktop/dialogs.h"
#include "printer/printers.h"
#include "support/recording_spooler.h"
#include "support/temp_dir.h"
#include "support/test_context.h"

namespace lumetra::test {

// Printer functions against a recording spooler that knows one printer,
// kPrinter, with an empty registry and message boxes going to a log.
class RecordingPrinterTest : public ::testing::Test {
 protected:
  static constexpr char kPrinter[] = "POS-80";

  RecordingPrinterTest();

  // The session of kPrinter, opened through the spooler, with `table` as
  // its command table; the record starts empty after it.
  PrinterSession& openPrinterWithTable(const PrinterModelConfig& table = {});
  // Message boxes shown so far, one "caption\ttext" line each.
  std::vector<std::string> dialogs() const;
  CallResult call(std::string_view name, const CallArguments& arguments) {
    return callFunction(context_, name, arguments);
  }
  PrinterRegistry& registry() { return test::sessionsOf(context_.printers); }
  PrinterSession& session(const std::u16string& name) { return test::sessionOf(context_.printers, name); }

  RecordingSpooler spooler_;

 private:
  TempDir dir_;
  platform::LoggedDialogs dialogs_{dir_.path() / "dialogs.log", platform::DialogAnswer::no};

 protected:
  Context context_{spooler_, dialogs_};
};

}  // namespace lumetra::test
