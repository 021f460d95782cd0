#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include "handover/sample_receipt.h"
#include "handover/task_list_handover.h"
#include "platform/print/cups_spooler.h"
#include "printer/model_config_loader.h"
#include "printer/printers.h"
#include "support/child_process.h"
#include "support/cupsd_fixture.h"
#include "support/temp_dir.h"
#include "support/test_context.h"
#include "support/virtual_printer_control.h"

namespace lumetra {
namespace {

// Lumetra's own print path into the virtual printer: what a developer sees
// when the demo prints, over TCP and through a CUPS raw queue.
class LumetraPrintingTest : public test::ContextTest {
 protected:
  void SetUp() override { loadModelConfig(test::kitchenCommands(context_.printers), u"QV52K"); }

  void startPrinter(const std::string& address) {
    printer_.emplace(test::virtualPrinterProgram(),
                     std::vector<std::string>{"--listen", address, "--output", output_.path().string()});
    ASSERT_TRUE(printer_->readLine().has_value());
  }

  // The transcript of the next receipt printed, without its source line;
  // its picture must be there too.
  std::string nextTranscript() {
    const std::optional<std::string> line = printer_->readLine();
    if (!line) return "(the virtual printer ended)";
    std::istringstream words(*line);
    std::string printed, transcriptFile, pictureFile;
    words >> printed >> transcriptFile >> pictureFile;
    EXPECT_TRUE(std::filesystem::exists(pictureFile)) << *line;
    const std::string transcript = test::readFile(transcriptFile);
    // How many status polls came in while the receipt printed depends on timing.
    return std::regex_replace(transcript.substr(transcript.find('\n') + 1), std::regex("meanwhile: \\d+"),
                              "meanwhile: N");
  }

  // Whether a backlog report gave `reason` for `printer` (within a hang guard).
  bool toldTheStaff(const std::string& printer, const std::string& reason) {
    for (int tries = 0; tries < 1500; ++tries) {
      if (backlog_.reasonsSeen(printer).contains(reason)) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }

  test::ScopedWorkingDirectory cwd_{LUMETRA_SOURCE_DIR};
  test::TempDir output_;
  std::optional<test::ChildProcess> printer_;
};

TEST_F(LumetraPrintingTest, NetworkPrintTaskPrintsAsOneReceiptWithItsLogo) {
  startPrinter("127.0.10.5");
  processTaskList(context_.jobs, test::sampleReceiptTask("Bar", "127.0.10.5", 3));
  // The printer is asked for its status first (DLE EOT 1, then 1 to 4),
  // and the ticket is followed by its process ID request.
  EXPECT_EQ(nextTranscript(),
            "offset  bytes                             command           meaning\n"
            "    15  1b 40                             ESC @             initialise\n"
            "    17  1b 21 30                          ESC ! 48          print mode: double height, double width\n"
            "    20  bb b6 d3 ad 41 31                 text              \"欢迎A1\"\n"
            "    26  0d                                CR                carriage return (ignored: the line is "
            "printed by LF)\n"
            "    27  0a                                LF                print line and feed\n"
            "    28  1b 21 00                          ESC ! 0           print mode: normal\n"
            "    31  20 20 20 54 65 61                 text              \"   Tea\"\n"
            "    37  0a                                LF                print line and feed\n"
            "    38  1b 40                             ESC @             initialise\n"
            "    40  1d 76 30 00 01 00 18 00 +24       GS v 0 0          raster image 8 x 24 dots\n"
            "    72  1b 4a 00                          ESC J 0           print and feed 0 dots\n"
            "    75  1b 4a 15                          ESC J 21          print and feed 21 dots\n"
            "    78  1b 4a 46                          ESC J 70          print and feed 70 dots\n"
            "    81  1b 4a 46                          ESC J 70          print and feed 70 dots\n"
            "    84  1b 4a 23                          ESC J 35          print and feed 35 dots\n"
            "    87  1b 70 00 19 fa                    ESC p 0 25 250    cash drawer pulse on pin 2: on 50 ms, "
            "off 500 ms\n"
            "    92  1b 43 03 02 01                    ESC C 3 2 1       signal buzzer 3 times (2, 1)\n"
            "    97  1d 56 00                          GS V 0            full cut\n"
            "note: real-time status requests (DLE EOT) answered meanwhile: N\n"
            "not understood: nothing\n");
  EXPECT_TRUE(test::waitUntilDelivered(context_.jobs));
}

struct FaultCase {
  const char* what;
  std::vector<std::string> options;  // of the virtual printer
  std::vector<std::string> fault;    // control commands before the tickets are handed over
  // What the staff are told meanwhile; none when the printer has every
  // ticket whole in its buffers, which then count as delivered.
  const char* reason;
  std::size_t printedBefore;  // tickets printed whole before the fault stopped the printer
  std::vector<std::string> recovery;
  bool mayReprint;  // a power cycle drops what the printer held: that ticket goes again
};

// Each fault with the real virtual printer: none printed while it lasts,
// the tickets wait and the staff are told why (unless the printer holds
// them whole, unread), and after recovery every ticket is printed whole,
// in order, once; only a power cycle may print again the ticket it cut off.
TEST_F(LumetraPrintingTest, EachFaultHoldsTheTicketsSaysWhyAndEveryTicketPrintsOnceAfterRecovery) {
  const std::vector<FaultCase> cases = {
      {"paper out", {}, {"paper-out"}, "打印机缺纸，请装纸", 0, {"paper-in"}, false},
      // Four lines a ticket: the paper ends before "end 2".
      {"paper runs out inside the second ticket",
       {"--paper-lines", "7"},
       {},
       "打印机缺纸，请装纸",
       1,
       {"paper-in"},
       false},
      {"cover open", {}, {"cover-open"}, "打印机上盖打开，请合上", 0, {"cover-close"}, false},
      // Before it ever answered status: it acknowledges the short tickets
      // whole and keeps each connection open.
      {"stops reading", {}, {"stall"}, nullptr, 0, {"resume"}, false},
      {"switched off", {}, {"power-off"}, "打印机拒绝连接", 0, {"power-on"}, false},
      // The paper ends after "ticket 3"; the printer's buffer goes with the power.
      {"switched off and on while waiting for paper",
       {"--paper-lines", "9"},
       {},
       "打印机缺纸，请装纸",
       2,
       {"power-off", "power-on", "paper-in"},
       true},
  };
  int printerNumber = 20;
  for (const FaultCase& fault : cases) {
    SCOPED_TRACE(fault.what);
    const std::string address = "127.0.10." + std::to_string(printerNumber++);
    test::TempDir output;
    test::ControlledPrinter printer(address, output, fault.options);
    for (const std::string& command : fault.fault) ASSERT_EQ(printer.control(command).substr(0, 3), "ok ");
    std::string list = "[";
    for (int ticket = 1; ticket <= 3; ++ticket)
      list += (ticket > 1 ? "," : "") + test::fourLineTicketTask(address, ticket);
    processTaskList(context_.jobs, list + "]");
    if (fault.reason) {
      ASSERT_TRUE(toldTheStaff(address, fault.reason));
    } else {
      ASSERT_TRUE(test::waitUntilDelivered(context_.jobs));
    }
    const test::ReceiptTickets held = test::waitForTicketsInReceipts(output.path(), fault.printedBefore);
    EXPECT_EQ(held.whole.size(), fault.printedBefore);

    for (const std::string& command : fault.recovery) ASSERT_EQ(printer.control(command).substr(0, 3), "ok ");
    ASSERT_TRUE(test::waitUntilDelivered(context_.jobs));
    const test::ReceiptTickets printed = test::waitForTicketsInReceipts(output.path(), 3);
    EXPECT_EQ(printed.whole, (std::map<int, int>{{1, 1}, {2, 1}, {3, 1}}));
    if (fault.mayReprint) {
      EXPECT_LE(printed.cutOff.size(), 1u) << "at most the ticket the power cut";
    } else {
      EXPECT_TRUE(printed.cutOff.empty());
    }
  }
}

TEST_F(LumetraPrintingTest, SpoolerPrintTaskReachesTheVirtualPrinterThroughACupsRawQueue) {
  startPrinter("127.0.10.6");
  test::PrivateCupsd cupsd;
  cupsd.addRawQueue("Virtual", "socket://127.0.10.6:9100");
  platform::CupsSpooler spooler;
  test::TempDir journal;
  test::BacklogRecorder backlog;
  Context withCups(spooler, dialogs_);
  test::startQuickDelivery(withCups, journal.path(), backlog);
  processTaskList(withCups.jobs, test::sampleReceiptTask("Virtual", "", 2));
  EXPECT_EQ(nextTranscript(),
            "offset  bytes                             command           meaning\n"
            "     0  1b 40                             ESC @             initialise\n"
            "     2  1d 21 11                          GS ! 17           character size 2 wide, 2 tall\n"
            "     5  bb b6 d3 ad 41 31                 text              \"欢迎A1\"\n"
            "    11  0d                                CR                carriage return (ignored: the line is "
            "printed by LF)\n"
            "    12  0a                                LF                print line and feed\n"
            "    13  1d 21 00                          GS ! 0            character size 1 wide, 1 tall\n"
            "    16  20 20 20 54 65 61                 text              \"   Tea\"\n"
            "    22  0a                                LF                print line and feed\n"
            "    23  1b 40                             ESC @             initialise\n"
            "    25  1d 76 30 00 01 00 18 00 +24       GS v 0 0          raster image 8 x 24 dots\n"
            "    57  1b 4a 00                          ESC J 0           print and feed 0 dots\n"
            "    60  1b 4a 46                          ESC J 70          print and feed 70 dots\n"
            "    63  1b 4a 46                          ESC J 70          print and feed 70 dots\n"
            "    66  1b 4a 23                          ESC J 35          print and feed 35 dots\n"
            "    69  1b 70 00 19 fa                    ESC p 0 25 250    cash drawer pulse on pin 2: on 50 ms, "
            "off 500 ms\n"
            "    74  1b 42 03 02                       ESC B 3 2         buzzer 3 times, 100 ms each\n"
            "    78  00                                NUL               nothing (skipped by printers)\n"
            "    79  1d 56 00                          GS V 0            full cut\n"
            "not understood: nothing\n")
      << cupsd.errorLog();
  EXPECT_TRUE(test::waitUntilDelivered(withCups.jobs));
}

}  // namespace
}  // namespace lumetra
