#include "support/recording_printer_test.h"

#include <sstream>

namespace lumetra::test {

RecordingPrinterTest::RecordingPrinterTest() {
  printerRegistry().clear();
  spooler_.addPrinter(u"POS-80");
}

RecordingPrinterTest::~RecordingPrinterTest() { printerRegistry().clear(); }

PrinterSession& RecordingPrinterTest::openPrinterWithTable(const PrinterModelConfig& table) {
  PrinterSession& session = findOrCreateSession(u"POS-80");
  session.handle = spooler_.open(u"POS-80").value();
  session.commands = table;
  spooler_.clearRecord();
  return session;
}

std::vector<std::string> RecordingPrinterTest::dialogs() const {
  std::istringstream log(readFile(dir_.path() / "dialogs.log"));
  std::vector<std::string> lines;
  for (std::string line; std::getline(log, line);) lines.push_back(line);
  return lines;
}

}  // namespace lumetra::test
