#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <random>
#include <string>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace lumetra::test {
namespace {

const std::string kProgram = VIRTUAL_PRINTER_EXECUTABLE;

// A client of the virtual printer, like Lumetra's connection to port 9100.
class PrinterClient {
 public:
  explicit PrinterClient(const char* address) : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in printer{};
    printer.sin_family = AF_INET;
    printer.sin_port = htons(9100);
    inet_pton(AF_INET, address, &printer.sin_addr);
    connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&printer), sizeof printer) == 0;
  }
  ~PrinterClient() { close(); }
  bool connected() const { return connected_; }
  void send(const std::string& bytes) { ASSERT_EQ(::send(fd_, bytes.data(), bytes.size(), 0), ssize_t(bytes.size())); }
  void close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
  bool connected_ = false;
};

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
  EXPECT_EQ(discovery.readLine(), "direct lumetra-virtual \"Lumetra Virtual Receipt Printer\" "
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
  EXPECT_EQ(readFile(dir.path() / "out" / "receipt-0003.txt").rfind("source: CUPS job 8 \"table 5\" from bob\n", 0), 0u);
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "out" / "receipt-0003.png"));
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "out" / "receipt-0004.txt"));

  ChildProcess relativeFolder(backend, {"9", "carol", "t", "1", "", jobFile.string()},
                              {"DEVICE_URI=lumetra-virtual:out"}, "lumetra-virtual:out");
  EXPECT_EQ(relativeFolder.wait(), 1);
}

}  // namespace
}  // namespace lumetra::test
