#include <gtest/gtest.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "e2e/support/processes.h"
#include "e2e/support/shell.h"
#include "support/temp_dir.h"

namespace lumetra::e2e {
namespace {

namespace fs = std::filesystem;

constexpr char kPrinterAddress[] = "127.0.10.40";

bool printerAnswers() {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in printer{};
  printer.sin_family = AF_INET;
  printer.sin_port = htons(9100);
  ::inet_pton(AF_INET, kPrinterAddress, &printer.sin_addr);
  const bool connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&printer), sizeof printer) == 0;
  ::close(fd);
  return connected;
}

std::vector<std::string> transcriptsIn(const fs::path& folder) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with("receipt-") && name.ends_with(".txt")) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  std::vector<std::string> transcripts;
  for (const fs::path& file : files) transcripts.push_back(readText(file));
  return transcripts;
}

std::size_t countContaining(const std::vector<std::string>& texts, const std::string& part) {
  return std::count_if(texts.begin(), texts.end(),
                       [&](const std::string& text) { return text.find(part) != std::string::npos; });
}

// `make demo` on a machine with neither display nor printer, as in CI: the
// page prints a whole receipt over the network and through the CUPS queue,
// shows the picture and the printer's state, and the script leaves nothing of
// its own behind.
TEST(DemoScriptTest, WithoutADisplayPrintsThroughBothPathsShowsTheReceiptAndStopsEverything) {
  ShellHome home;
  const fs::path work = home.directory() / "demo";
  test::TempDir temporary;
  // The private cupsd's folder goes here; its backend, running as lp when
  // the test runs as root, must be able to pass through.
  ::chmod(temporary.path().c_str(), 0711);
  SpawnOptions demo;
  demo.arguments = {std::string(LUMETRA_SOURCE_DIR) + "/scripts/demo", LUMETRA_BUILD_DIR};
  demo.environment = home.homeEnvironment();
  demo.environment.insert({{"DISPLAY", ""},
                           {"TMPDIR", temporary.path().string()},
                           {"LUMETRA_DEMO_DIR", work.string()},
                           {"LUMETRA_DEMO_PRINTER", kPrinterAddress},
                           {"LUMETRA_DEMO_INSTALL", "no"}});
  demo.outputFile = home.directory() / "demo.out";
  demo.errorFile = home.directory() / "demo.err";
  const pid_t script = spawn(demo);
  const std::optional<int> status = waitForExit(script, std::chrono::seconds(180));
  if (!status) stopProcess(script);
  ASSERT_EQ(status, 0) << readText(demo.outputFile) << readText(demo.errorFile);

  const std::vector<std::string> transcripts = transcriptsIn(work / "receipts");
  EXPECT_EQ(transcripts.size(), 2u);
  EXPECT_EQ(countContaining(transcripts, "经网络打印机 127.0.10.40 打印"), 1u);
  EXPECT_EQ(countContaining(transcripts, "经 CUPS 队列 Virtual 打印"), 1u);
  EXPECT_EQ(countContaining(transcripts, "合计 54.00"), 2u);
  EXPECT_EQ(countContaining(transcripts, "GS V 0            full cut"), 2u);
  EXPECT_EQ(countContaining(transcripts, "not understood: nothing"), 2u);
  const std::string console = readText(work / "console.log");
  EXPECT_NE(console.find("receipt shown: receipt-0002.png"), std::string::npos);
  // The page reached the printer's control port: its fault buttons work.
  EXPECT_NE(console.find("printer state: ok power=on online=yes"), std::string::npos) << console;
  ASSERT_TRUE(fs::exists(work / "screenshot.png")) << readText(demo.outputFile);
  fs::create_directories(LUMETRA_ARTIFACT_DIR);
  fs::copy_file(work / "screenshot.png", fs::path(LUMETRA_ARTIFACT_DIR) / "demo-receipt.png",
                fs::copy_options::overwrite_existing);

  EXPECT_FALSE(printerAnswers());
  EXPECT_TRUE(fs::is_empty(temporary.path()));
  EXPECT_EQ(readText(work / "www" / "demo-config.js"),
            readText(fs::path(LUMETRA_SOURCE_DIR) / "www" / "demo-config.js"))
      << "the page would go on printing on its own";
}

}  // namespace
}  // namespace lumetra::e2e
