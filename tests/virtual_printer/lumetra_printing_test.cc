#include <gtest/gtest.h>

#include <regex>

#include "jobs/print_task_list.h"
#include "jobs/sample_receipt.h"
#include "platform/print/cups_spooler.h"
#include "printer/model_config_loader.h"
#include "printer/printer_registry.h"
#include "support/child_process.h"
#include "support/cupsd_fixture.h"
#include "support/temp_dir.h"
#include "support/virtual_printer_control.h"
#include "support/test_context.h"

#include <optional>
#include <sstream>

namespace lumetra {
namespace {

// Lumetra's own print path into the virtual printer: what a developer sees
// when the demo prints, over TCP and through a CUPS raw queue.
class LumetraPrintingTest : public test::ContextTest {
 protected:
  void SetUp() override {
    loadModelConfig(findOrCreateSession(context_.printers, kKitchenPrinterName).commands, u"QV52K");
  }

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
