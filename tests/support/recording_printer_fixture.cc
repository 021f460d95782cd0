#include "support/recording_printer_fixture.h"

#include <sstream>

namespace lumetra::test {

RecordingPrinterTest::RecordingPrinterTest() { spooler_.addPrinter(u"POS-80"); }

PrinterSession& RecordingPrinterTest::openPrinterWithTable(const PrinterModelConfig& table) {
  PrinterSession& opened = session(u"POS-80");
  opened.handle = spooler_.open(u"POS-80").value();
  opened.commands = table;
  spooler_.clearRecord();
  return opened;
}

std::vector<std::string> RecordingPrinterTest::dialogs() const {
  std::istringstream log(readFile(dir_.path() / "dialogs.log"));
  std::vector<std::string> lines;
  for (std::string line; std::getline(log, line);) lines.push_back(line);
  return lines;
}

}  // namespace lumetra::test
