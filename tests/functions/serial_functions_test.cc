#include "functions/serial_functions.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "support/pseudo_terminal.h"
#include "support/temp_dir.h"
#include "support/test_context.h"

namespace lumetra {
namespace {

using namespace std::string_literals;
using test::hexBytes;

CallArgument text(std::string utf8) { return CallArgument::string(std::move(utf8)); }
CallArgument number(double n) { return CallArgument::number(n); }

const CallResult kTrue = CallResult::boolean(true);
const CallResult kFalse = CallResult::boolean(false);

class SerialPortFunctionsTest : public test::ContextTest {
 protected:
  CallResult open(const std::string& name) { return call("openSerialPort", CallArguments({text(name)})); }
  CallResult display(std::vector<CallArgument> arguments) {
    return call("sendData2SerialPort", CallArguments(std::move(arguments)));
  }

  test::PseudoTerminal display_;
};

TEST_F(SerialPortFunctionsTest, DisplayCommandsArriveByteExact) {
  ASSERT_EQ(open(display_.devicePath()), kTrue);

  EXPECT_EQ(display({number(1), text("12.50")}), kTrue);
  EXPECT_EQ(display_.receive(12), hexBytes("1b 73 01 1b 51 41 31 32 2e 35 30 0d"));

  EXPECT_EQ(display({number(0), text("")}), kTrue);
  EXPECT_EQ(display_.receive(7), hexBytes("1b 73 00 1b 51 41 0d"));

  // Only the low byte of the indicator reaches the device.
  display({number(257), text("8")});
  EXPECT_EQ(display_.receive(8), hexBytes("1b 73 01 1b 51 41 38 0d"));

  // GBK, and nothing after an embedded NUL.
  display({number(2), text("顾客显示\0tail"s)});
  EXPECT_EQ(display_.receive(15), hexBytes("1b 73 02 1b 51 41 b9 cb bf cd cf d4 ca be 0d"));
}

TEST_F(SerialPortFunctionsTest, PortIsSetTo2400Baud8N1RawWithoutFlowControl) {
  // Whatever the program before left on the port.
  termios previous = display_.portSettings();
  previous.c_cflag = (previous.c_cflag & ~CSIZE) | CS7 | PARENB | CSTOPB | CRTSCTS;
  previous.c_iflag |= IXON | IXOFF | IXANY | ICRNL;
  previous.c_oflag |= OPOST | ONLCR;
  previous.c_lflag |= ICANON | ECHO | ISIG;
  cfsetspeed(&previous, B9600);
  display_.setPortSettings(previous);

  ASSERT_EQ(open(display_.devicePath()), kTrue);
  const termios settings = display_.portSettings();
  EXPECT_EQ(cfgetospeed(&settings), B2400);
  EXPECT_EQ(cfgetispeed(&settings), B2400);
  EXPECT_EQ(settings.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(settings.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
  EXPECT_EQ(settings.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
  EXPECT_EQ(settings.c_iflag & (IXON | IXOFF | IXANY | ICRNL | INLCR | ISTRIP), 0u);
  EXPECT_EQ(settings.c_oflag & OPOST, 0u);
  EXPECT_EQ(settings.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
}

TEST_F(SerialPortFunctionsTest, OtherArgumentCountsWriteNothingAndGiveTrue) {
  EXPECT_EQ(display({number(1)}), kTrue);
  EXPECT_EQ(display({number(1), text("1"), text("x")}), kTrue);
  EXPECT_EQ(display({}), kTrue);

  ASSERT_EQ(open(display_.devicePath()), kTrue);
  EXPECT_EQ(display({number(1)}), kTrue);
  EXPECT_EQ(display({number(1), text("1"), text("x")}), kTrue);
  // Had either written anything, it would come before this command.
  display({number(3), text("9")});
  EXPECT_EQ(display_.receive(8), hexBytes("1b 73 03 1b 51 41 39 0d"));
}

TEST_F(SerialPortFunctionsTest, ClosedOrFailedPortLeavesNothingOpenToWriteTo) {
  EXPECT_EQ(call("closeSerialPort", {}), CallResult::undefined());
  EXPECT_EQ(display({number(1), text("1")}), kFalse);
  EXPECT_EQ(call("sendData2SerialPortRAW", {}), kFalse);

  ASSERT_EQ(open(display_.devicePath()), kTrue);
  call("closeSerialPort", {});
  EXPECT_TRUE(display_.portClosed());
  EXPECT_EQ(call("sendData2SerialPortRAW", {}), kFalse);

  // A failed open closes the port opened before it, also without a name.
  for (const char* bad : {"/nonexistent/ttyX", "ttyLumetraAbsent", ""}) {
    ASSERT_EQ(open(display_.devicePath()), kTrue);
    EXPECT_FALSE(display_.portClosed());
    EXPECT_EQ(open(bad), kFalse) << bad;
    EXPECT_TRUE(display_.portClosed()) << bad;
    EXPECT_EQ(display({number(1), text("1")}), kFalse) << bad;
  }
  ASSERT_EQ(open(display_.devicePath()), kTrue);
  EXPECT_EQ(call("openSerialPort", {}), kFalse);
  EXPECT_TRUE(display_.portClosed());
}

TEST_F(SerialPortFunctionsTest, OpeningAnotherPortMovesOutputToIt) {
  test::PseudoTerminal second;
  ASSERT_EQ(open(display_.devicePath()), kTrue);
  ASSERT_EQ(open(second.devicePath()), kTrue);
  EXPECT_TRUE(display_.portClosed());
  display({number(1), text("5")});
  EXPECT_EQ(second.receive(8), hexBytes("1b 73 01 1b 51 41 35 0d"));
  // Reopening the port already open must not trip over its own hold on it.
  EXPECT_EQ(open(second.devicePath()), kTrue);
}

TEST_F(SerialPortFunctionsTest, RefusesPortsThatCannotBeADisplay) {
  // Held by another program, like a port opened without sharing.
  const int holder = ::open(display_.devicePath().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
  EXPECT_EQ(open(display_.devicePath()), kFalse);
  ::close(holder);
  // A file is no terminal: a display command must never be written into it.
  test::TempDir dir;
  const auto file = dir.write("notaport", "");
  EXPECT_EQ(open(file.string()), kFalse);
  EXPECT_EQ(display({number(1), text("1")}), kFalse);
  EXPECT_EQ(test::readFile(file), "");
}

TEST_F(SerialPortFunctionsTest, StatusRequestReturnsWhenTheDeviceStaysSilent) {
  ASSERT_EQ(open(display_.devicePath()), kTrue);
  EXPECT_EQ(call("sendData2SerialPortRAW", {}), kTrue);
  EXPECT_EQ(display_.receive(3), hexBytes("10 04 03"));
  // The port is still usable after the unanswered request.
  display({number(1), text("1")});
  EXPECT_EQ(display_.receive(8), hexBytes("1b 73 01 1b 51 41 31 0d"));
}

TEST_F(SerialPortFunctionsTest, WritesReturnWhenTheDeviceStopsTakingBytes) {
  ASSERT_EQ(open(display_.devicePath()), kTrue);
  // Fill the driver's buffer as a device that never reads would.
  const int port = ::open(display_.devicePath().c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(port, 0);
  const std::string chunk(4096, 'x');
  while (::write(port, chunk.data(), chunk.size()) > 0) {
  }
  ::close(port);
  EXPECT_EQ(display({number(1), text("1")}), kTrue);
  EXPECT_EQ(call("sendData2SerialPortRAW", {}), kTrue);
}

}  // namespace
}  // namespace lumetra
