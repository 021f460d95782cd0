#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/print/spooler.h"
#include "printer/printer_registry.h"
#include "support/recording_spooler.h"
#include "support/temp_dir.h"

namespace lumetra::test {

// Printer functions against a recording spooler that knows one printer,
// kPrinter, with an empty registry and message boxes going to a log.
class RecordingPrinterTest : public ::testing::Test {
 protected:
  static constexpr char kPrinter[] = "POS-80";

  RecordingPrinterTest();
  ~RecordingPrinterTest() override;

  // The session of kPrinter, opened through the spooler, with `table` as
  // its command table; the record starts empty after it.
  PrinterSession& openPrinterWithTable(const PrinterModelConfig& table = {});
  // Message boxes shown so far, one "caption\ttext" line each.
  std::vector<std::string> dialogs() const;

  RecordingSpooler spooler_;

 private:
  platform::ScopedSpooler installed_{spooler_};
  TempDir dir_;
  ScopedEnv dialogLog_{"LUMETRA_DIALOG_LOG", (dir_.path() / "dialogs.log").string()};
};

}  // namespace lumetra::test
