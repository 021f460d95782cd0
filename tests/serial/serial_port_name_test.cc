#include "serial/serial_port_name.h"

#include <gtest/gtest.h>

namespace lumetra {
namespace {

TEST(SerialPortNameTest, WindowsNamesMapToTheMatchingSerialNode) {
  EXPECT_EQ(serialDevicePath("COM1"), "/dev/ttyS0");
  EXPECT_EQ(serialDevicePath("COM3"), "/dev/ttyS2");
  EXPECT_EQ(serialDevicePath("com10"), "/dev/ttyS9");
  EXPECT_EQ(serialDevicePath("Com256"), "/dev/ttyS255");
}

TEST(SerialPortNameTest, NamesOutsideTheWindowsRangeAreNodesUnderDev) {
  for (const char* name : {"COM0", "COM257", "COM01", "COM-1", "COM+1", "COM1x", "COM", "COMX"}) {
    EXPECT_EQ(serialDevicePath(name), std::string("/dev/") + name) << name;
  }
}

TEST(SerialPortNameTest, PlainNamesAndPathsNameTheirNode) {
  EXPECT_EQ(serialDevicePath("ttyUSB0"), "/dev/ttyUSB0");
  EXPECT_EQ(serialDevicePath("serial/by-id/usb-display"), "/dev/serial/by-id/usb-display");
  EXPECT_EQ(serialDevicePath("/dev/pts/7"), "/dev/pts/7");
  EXPECT_EQ(serialDevicePath(""), std::nullopt);
  EXPECT_EQ(serialDevicePath(std::string_view("ttyS1\0/x", 8)), std::nullopt);
}

}  // namespace
}  // namespace lumetra
