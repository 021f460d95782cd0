#include <gtest/gtest.h>

#include "platform/serial/serial_device.h"
#include "support/temp_dir.h"

namespace lumetra {
namespace {

namespace fs = std::filesystem;

// A fake /sys/class/tty and /dev, laid out the way the kernel does it.
class SerialPortListTest : public ::testing::Test {
 protected:
  // A terminal with a node in /dev; `device` links it to hardware and `type`
  // is its UART type file, when given.
  void addTerminal(const std::string& name, bool device, const char* type) {
    const fs::path entry = roots_.ttyClass / name;
    fs::create_directories(entry);
    if (device) fs::create_directory_symlink(hardware_, entry / "device");
    if (type) dir_.write(fs::relative(entry / "type", dir_.path()), type);
    dir_.write(fs::relative(roots_.devices / name, dir_.path()), "");
  }

  test::TempDir dir_;
  fs::path hardware_ = dir_.path() / "sys/devices/platform/serial8250";
  platform::SerialPortRoots roots_{dir_.path() / "sys/class/tty", dir_.path() / "dev"};

  void SetUp() override { fs::create_directories(hardware_); }
};

TEST_F(SerialPortListTest, ListsPortsWithHardwareInCountingOrder) {
  addTerminal("ttyS10", true, "4\n");
  addTerminal("ttyS2", true, "4\n");
  addTerminal("ttyUSB0", true, nullptr);
  addTerminal("ttyACM1", true, nullptr);
  addTerminal("ttyAMA0", true, "83\n");
  EXPECT_EQ(platform::serialPortNames(roots_),
            (std::vector<std::string>{"ttyACM1", "ttyAMA0", "ttyS2", "ttyS10", "ttyUSB0"}));
}

TEST_F(SerialPortListTest, LeavesOutTerminalsWithoutARealPort) {
  addTerminal("ttyS0", true, "4\n");
  addTerminal("ttyS1", true, "0\n");        // no UART behind it
  addTerminal("tty1", false, nullptr);      // virtual console
  addTerminal("ttyS3", false, "4\n");       // no device link
  addTerminal("ttyprintk", true, nullptr);  // not a serial driver
  addTerminal("ttyS4", true, "junk\n");
  // A dangling device link is no hardware either.
  fs::create_directories(roots_.ttyClass / "ttyUSB9");
  fs::create_directory_symlink(dir_.path() / "gone", roots_.ttyClass / "ttyUSB9" / "device");
  dir_.write("dev/ttyUSB9", "");
  // Listed by the kernel but with no node to open.
  addTerminal("ttyUSB1", true, nullptr);
  fs::remove(roots_.devices / "ttyUSB1");
  EXPECT_EQ(platform::serialPortNames(roots_), (std::vector<std::string>{"ttyS0"}));
}

TEST_F(SerialPortListTest, NoTerminalFolderGivesAnEmptyList) { EXPECT_TRUE(platform::serialPortNames(roots_).empty()); }

}  // namespace
}  // namespace lumetra
