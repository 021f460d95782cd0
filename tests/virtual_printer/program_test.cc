#include <gtest/gtest.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <string>

#include "support/child_process.h"
#include "support/temp_dir.h"
#include "support/virtual_printer_control.h"

namespace lumetra::test {
namespace {

const std::string kProgram = virtualPrinterProgram();

std::string fileIn(const TempDir& dir, const char* name) { return (dir.path() / name).string(); }

// Everything after the transcript's first line, which names the source.
std::string commandsOf(const std::string& transcript) { return transcript.substr(transcript.find('\n') + 1); }

TEST(VirtualPrinterProgramTest, ListenerPrintsEveryCutAndEveryConnectionOnItsOwn) {
  TempDir dir;
  ChildProcess printer(kProgram, {"--listen", "127.0.10.1:9100", "--output", dir.path().string()});
  EXPECT_EQ(printer.readLine(), "listening on 127.0.10.1:9100, printing into " + dir.path().string());
  PrinterClient first("127.0.10.1");
  PrinterClient second("127.0.10.1");
  ASSERT_TRUE(first.connected() && second.connected());

  first.send("A1\n" + hexBytes("1d 56 00"));
  EXPECT_EQ(printer.readLine(), "printed " + fileIn(dir, "receipt-0001.txt") + " " + fileIn(dir, "receipt-0001.png"));
  second.send("B1\n");
  second.close();
  EXPECT_EQ(printer.readLine(), "printed " + fileIn(dir, "receipt-0002.txt") + " " + fileIn(dir, "receipt-0002.png"));
  first.send("A2\n" + hexBytes("1d 56 01"));
  EXPECT_EQ(printer.readLine(), "printed " + fileIn(dir, "receipt-0003.txt") + " " + fileIn(dir, "receipt-0003.png"));
  first.close();

  const std::string fromSecond = readFile(dir.path() / "receipt-0002.txt");
  EXPECT_EQ(fromSecond.rfind("source: connection from 127.0.", 0), 0u) << fromSecond;
  EXPECT_EQ(commandsOf(fromSecond),
            "offset  bytes                             command           meaning\n"
            "     0  42 31                             text              \"B1\"\n"
            "     2  0a                                LF                print line and feed\n"
            "not understood: nothing\n");
  EXPECT_NE(readFile(dir.path() / "receipt-0003.txt").find("GS V 1            partial cut"), std::string::npos);
  printer.terminate();
  EXPECT_EQ(printer.readLine(), std::nullopt);
  EXPECT_EQ(printer.wait(), 0);
}

TEST(VirtualPrinterProgramTest, StoppingPrintsWhatOpenConnectionsHaveSent) {
  TempDir dir;
  ChildProcess printer(kProgram, {"--listen", "127.0.10.2", "--output", dir.path().string()});
  ASSERT_TRUE(printer.readLine().has_value());
  PrinterClient client("127.0.10.2");
  ASSERT_TRUE(client.connected());
  client.send("unfinished\n");
  printer.terminate();
  EXPECT_EQ(printer.readLine(), "printed " + fileIn(dir, "receipt-0001.txt") + " " + fileIn(dir, "receipt-0001.png"));
  EXPECT_EQ(printer.wait(), 0);
  EXPECT_NE(readFile(dir.path() / "receipt-0001.txt").find("\"unfinished\""), std::string::npos);
}

TEST(VirtualPrinterProgramTest, AddressItCannotListenOnOrBadOptionsEndItWithAnError) {
  TempDir dir;
  // 192.0.2.1 is a documentation address no machine has: binding fails.
  ChildProcess unbound(kProgram, {"--listen", "192.0.2.1:9100", "--output", dir.path().string()});
  EXPECT_EQ(unbound.readLine(), std::nullopt);
  EXPECT_EQ(unbound.wait(), 1);
  ChildProcess badPort(kProgram, {"--listen", "127.0.10.3:99999"});
  EXPECT_EQ(badPort.wait(), 2);
  ChildProcess unknown(kProgram, {"--colour", "red"});
  EXPECT_EQ(unknown.wait(), 2);
}

TEST(VirtualPrinterProgramTest, FileAndStandardInputArePrintedAndGarbageIsSurvived) {
  TempDir dir;
  ChildProcess fromStdin(kProgram, {"--input", "-", "--output", dir.path().string()});
  fromStdin.writeInput("from stdin\n" + hexBytes("1d 56 00"));
  fromStdin.closeInput();
  EXPECT_EQ(fromStdin.readLine(), "printed " + fileIn(dir, "receipt-0001.txt") + " " + fileIn(dir, "receipt-0001.png"));
  EXPECT_EQ(fromStdin.wait(), 0);

  std::mt19937 random(10);
  std::string garbage(1 << 14, '\0');
  for (char& byte : garbage) byte = static_cast<char>(random());
  const std::filesystem::path file = dir.write("garbage.bin", garbage);
  ChildProcess fromFile(kProgram, {"--input", file.string(), "--output", (dir.path() / "out").string()});
  int printed = 0;
  while (fromFile.readLine()) ++printed;
  EXPECT_EQ(fromFile.wait(), 0);
  EXPECT_GT(printed, 0);
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "out" / "receipt-0001.txt"));

  ChildProcess missing(kProgram, {"--input", fileIn(dir, "absent.bin"), "--output", dir.path().string()});
  EXPECT_EQ(missing.wait(), 1);
}

TEST(VirtualPrinterProgramTest, AsACupsBackendItPrintsJobsIntoTheDeviceFolder) {
  TempDir dir;
  // Installed under the backend's name; CUPS then starts it with the device
  // URI as argv[0] for jobs.
  const std::filesystem::path backend = dir.path() / "lumetra-virtual";
  std::filesystem::create_symlink(kProgram, backend);
  const std::string job = "job\n" + hexBytes("1d 56 00");
  const std::filesystem::path jobFile = dir.write("job.bin", job);
  const std::string uri = "lumetra-virtual:" + (dir.path() / "out").string();

  ChildProcess discovery(backend, {});
  EXPECT_EQ(discovery.readLine(),
            "direct lumetra-virtual \"Lumetra Virtual Receipt Printer\" "
            "\"Lumetra virtual receipt printer (pictures in a folder)\"");
  EXPECT_EQ(discovery.wait(), 0);

  ChildProcess twoCopies(backend, {"7", "alice", "table 4", "2", "", jobFile.string()}, {"DEVICE_URI=" + uri}, uri);
  EXPECT_EQ(twoCopies.wait(), 0);
  ChildProcess fromStdin(backend, {"8", "bob", "table 5", "1", ""}, {"DEVICE_URI=" + uri}, uri);
  fromStdin.writeInput(job);
  fromStdin.closeInput();
  EXPECT_EQ(fromStdin.wait(), 0);
  EXPECT_EQ(readFile(dir.path() / "out" / "receipt-0002.txt").rfind("source: CUPS job 7 \"table 4\" from alice\n", 0),
            0u);
  EXPECT_EQ(readFile(dir.path() / "out" / "receipt-0003.txt").rfind("source: CUPS job 8 \"table 5\" from bob\n", 0),
            0u);
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "out" / "receipt-0003.png"));
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "out" / "receipt-0004.txt"));

  ChildProcess relativeFolder(backend, {"9", "carol", "t", "1", "", jobFile.string()},
                              {"DEVICE_URI=lumetra-virtual:out"}, "lumetra-virtual:out");
  EXPECT_EQ(relativeFolder.wait(), 1);
}

TEST(VirtualPrinterFaultTest, RealTimeStatusAnswersEachStateByteExact) {
  struct Case {
    const char* state;
    std::vector<std::string> options;
    std::vector<std::string> commands;
    const char* replies;  // to DLE EOT 1, 2, 3, 4
  };
  const Case cases[] = {
      {"ready", {}, {}, "12 12 12 12"},
      {"paper near end", {"--paper-lines", "10", "--near-end-lines", "11"}, {}, "12 12 12 1e"},
      {"paper out", {"--paper-lines", "10"}, {"paper-out"}, "1a 32 12 7e"},
      {"cover open", {"--cover-open"}, {}, "1a 16 12 12"},
      {"cover open, endless paper out", {}, {"paper-out", "cover-open"}, "1a 36 12 7e"},
      {"paper in, cover closed", {"--paper-out", "--cover-open"}, {"paper-in", "cover-close"}, "12 12 12 12"},
  };
  int host = 1;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.state);
    TempDir dir;
    const std::string address = "127.0.11." + std::to_string(host++);
    ControlledPrinter printer(address, dir, c.options);
    for (const std::string& command : c.commands) EXPECT_EQ(printer.control(command).substr(0, 3), "ok ");
    PrinterClient client(address);
    client.send(hexBytes("10 04 01 10 04 02 10 04 03 10 04 04"));
    EXPECT_EQ(client.receive(4), hexBytes(c.replies));
  }
}

TEST(VirtualPrinterFaultTest, AutomaticStatusComesOnEnablingAndWithEveryChange) {
  TempDir dir;
  ControlledPrinter printer("127.0.11.10", dir, {"--paper-lines", "100"});
  PrinterClient client("127.0.11.10");
  client.send(hexBytes("1d 61 ff"));
  EXPECT_EQ(client.receive(4), hexBytes("10 00 00 00"));
  const std::pair<const char*, const char*> changes[] = {{"paper-out", "18 00 0f 00"},
                                                         {"cover-open", "38 00 0f 00"},
                                                         {"paper-in", "38 00 00 00"},
                                                         {"cover-close", "10 00 00 00"}};
  for (const auto& [command, status] : changes) {
    printer.control(command);
    EXPECT_EQ(client.receive(4), hexBytes(status)) << command;
  }
}

TEST(VirtualPrinterFaultTest, PaperEndHoldsTheIdUntilEverythingBeforeItIsPrintedAndTheReceiptComesWhole) {
  TempDir dir;
  ControlledPrinter printer("127.0.11.11", dir, {"--paper-lines", "3"});
  PrinterClient client("127.0.11.11");
  std::string ticket;
  for (int line = 1; line <= 5; ++line) ticket += "line " + std::to_string(line) + "\n";
  client.send(ticket + hexBytes("1d 56 00  1d 28 48 06 00 30 30 41 42 43 44"));
  client.endSending();
  EXPECT_EQ(printer.process->readLine().value_or("").rfind("paper end, printing stopped: power=on online=no", 0), 0u);
  // Answered ahead of the held ID request, which must not come while the
  // paper is out.
  PrinterClient poller("127.0.11.11");
  poller.send(hexBytes("10 04 04"));
  EXPECT_EQ(poller.receive(1), hexBytes("7e"));
  EXPECT_FALSE(client.answersWithin(100));
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "receipt-0001.txt"));

  EXPECT_EQ(printer.control("paper-in").rfind("ok power=on online=yes paper=near-end lines=3/3", 0), 0u);
  EXPECT_EQ(printer.process->readLine().value_or("").rfind("paper in: ", 0), 0u);
  EXPECT_EQ(printer.process->readLine(),
            "printed " + fileIn(dir, "receipt-0001.txt") + " " + fileIn(dir, "receipt-0001.png"));
  // The client ended its sending: the ID comes, then the printer closes.
  EXPECT_EQ(client.receive(8), hexBytes("37 22 41 42 43 44 00"));
  EXPECT_EQ(errno, 0);
  const std::string transcript = readFile(dir.path() / "receipt-0001.txt");
  EXPECT_NE(transcript.find("\"line 5\""), std::string::npos) << transcript;
  EXPECT_NE(transcript.find("full cut"), std::string::npos) << transcript;
  printer.process->terminate();
  EXPECT_EQ(printer.process->wait(), 0);
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "receipt-0002.txt")) << "the ID request alone is no piece";
}

TEST(VirtualPrinterFaultTest, PowerOffLosesWhatWasNotPrintedResetsConnectionsAndKeepsThePaperOut) {
  TempDir dir;
  ControlledPrinter printer("127.0.11.12", dir, {"--paper-out"});
  PrinterClient client("127.0.11.12");
  client.send("lost line\n" + hexBytes("1d 56 00  10 04 01"));
  EXPECT_EQ(client.receive(1), hexBytes("1a"));
  EXPECT_EQ(printer.control("power-off").rfind("ok power=off", 0), 0u);
  EXPECT_EQ(printer.process->readLine(), "printed " + fileIn(dir, "receipt-0001.txt"));
  EXPECT_EQ(client.receive(1), "");
  EXPECT_EQ(errno, ECONNRESET);
  EXPECT_FALSE(PrinterClient("127.0.11.12").connected());
  const std::string transcript = readFile(dir.path() / "receipt-0001.txt");
  EXPECT_NE(transcript.find("note: the printer was switched off: 13 bytes received were never printed"),
            std::string::npos)
      << transcript;
  EXPECT_EQ(transcript.find("lost line"), std::string::npos) << transcript;

  EXPECT_EQ(printer.control("power-on").rfind("ok power=on online=no paper=out", 0), 0u);
  EXPECT_TRUE(PrinterClient("127.0.11.12").connected());
}

TEST(VirtualPrinterFaultTest, StalledPrinterAnswersNothingUntilItResumes) {
  TempDir dir;
  ControlledPrinter printer("127.0.11.13", dir);
  PrinterClient client("127.0.11.13");
  EXPECT_NE(printer.control("stall").find(" reading=stalled "), std::string::npos);
  client.send(hexBytes("10 04 01"));
  EXPECT_FALSE(client.answersWithin(200));
  EXPECT_NE(printer.control("resume").find(" reading=normal "), std::string::npos);
  EXPECT_EQ(client.receive(1), hexBytes("12"));
}

TEST(VirtualPrinterFaultTest, ControlAnswersOneLineAndPagesOverHttp) {
  TempDir dir;
  ControlledPrinter printer("127.0.11.14", dir, {"--paper-lines", "200", "--near-end-lines", "30"});
  const std::pair<const char*, const char*> replies[] = {
      {"status", "ok power=on online=yes paper=ok lines=200/200 cover=closed reading=normal connections=0 held=0"},
      {"slow 16 500",
       "ok power=on online=yes paper=ok lines=200/200 cover=closed reading=slow:16/500ms "
       "connections=0 held=0"},
      {"slow 0 500", "error usage: slow BYTES MS"},
      {"paper-out now", "error paper-out takes no values"},
      {"eject",
       "error unknown command; known: paper-out, paper-in, cover-open, cover-close, stall, resume, slow, "
       "power-off, power-on, status"},
  };
  for (const auto& [command, reply] : replies) EXPECT_EQ(printer.control(command), reply);
  const std::string response = printer.httpGet("/cover-open");
  EXPECT_EQ(response.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << response;
  EXPECT_NE(response.find("\r\nAccess-Control-Allow-Origin: *\r\n"), std::string::npos) << response;
  EXPECT_NE(response.find("\r\n\r\nok power=on online=no "), std::string::npos) << response;
  EXPECT_EQ(printer.httpGet("/jam").rfind("HTTP/1.1 400 Bad Request\r\n", 0), 0u);
}

}  // namespace
}  // namespace lumetra::test
