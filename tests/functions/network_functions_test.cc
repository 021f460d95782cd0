#include "functions/network_functions.h"

#include "support/net_printer_fixture.h"

namespace lumetra::test {
namespace {

using NetPrinterFunctionsTest = NetPrinterTest;

TEST_F(NetPrinterFunctionsTest, DirectCommandsReachTheBoundPrinterOnOneConnection) {
  FakeNetworkPrinter printer("127.0.5.20");
  EXPECT_EQ(call("startIPPrintTask", {arg("127.0.5.20"), arg(0)}), CallResult::boolean(true));
  EXPECT_TRUE(call("printTextByNet", {arg(0), arg("A"), arg("zoomW")}).isUndefined());
  call("rollPaperByNet", {arg(0), arg(40)});
  call("cutPaperByNet", {arg(0), arg(false)});
  call("cutPaperByNet", {arg(0)});
  EXPECT_TRUE(call("endIPPrintTask", {}).isUndefined());

  const std::vector<std::string> expected{hexBytes("1b 21 20  41  1b 21 00  1b 4a 18  1d 56 01  1d 56 01")};
  EXPECT_EQ(printer.waitForClosedConnections(1), expected);
  EXPECT_EQ(dialogs(), "");
}

TEST_F(NetPrinterFunctionsTest, TextSizeFollowsTheZoomOnlyWithExactlyThreeArguments) {
  FakeNetworkPrinter printer("127.0.5.21");
  call("startIPPrintTask", {arg("127.0.5.21"), arg(2)});
  call("printTextByNet", {arg(2), arg("a"), arg("zoomIn")});
  call("printTextByNet", {arg(2), arg("b"), arg("zoomH")});
  call("printTextByNet", {arg(2), arg("c"), arg("ZOOMW")});          // unknown: keeps the stored 0
  call("printTextByNet", {arg(2), arg("d"), arg("zoomW"), arg(1)});  // no size before the text
  call("printTextByNet", {arg(2), arg("提示")});                     // GBK
  call("printTextByNet", {arg(2), CallArgument::string(std::string("e\0f", 3))});
  call("endIPPrintTask", {});

  const std::vector<std::string> expected{
      hexBytes("1b 21 30 61 1b 21 00"
               "1b 21 10 62 1b 21 00"
               "1b 21 00 63 1b 21 00"
               "64 1b 21 00"
               "cc e1 ca be 1b 21 00"
               "65 1b 21 00")};
  EXPECT_EQ(printer.waitForClosedConnections(1), expected);
}

TEST_F(NetPrinterFunctionsTest, FeedRepeatsThePreFeedAndKeepsTheLowByte) {
  FakeNetworkPrinter printer("127.0.5.22");
  kitchenTable()[model_offset::kPreFeedLines] = 2;
  kitchenTable()[model_offset::kPreFeedRepeat] = 3;
  call("startIPPrintTask", {arg("127.0.5.22"), arg(5)});
  call("rollPaperByNet", {arg(5), arg(1)});
  call("rollPaperByNet", {arg(5)});                     // wrong count: nothing
  kitchenTable()[model_offset::kPreFeedRepeat] = 0xff;  // -1 repeats: no pre-feed
  call("rollPaperByNet", {arg(5), arg(300)});
  call("endIPPrintTask", {});

  const std::vector<std::string> expected{
      hexBytes("1b 4a 0e  1b 4a 0e  1b 4a 0e  1b 4a 07"
               "1b 4a 34")};  // 300 * 7 = 2100 = 0x834
  EXPECT_EQ(printer.waitForClosedConnections(1), expected);
}

TEST_F(NetPrinterFunctionsTest, WrongCountsAndSlotsOutsideTheTableChangeNothing) {
  FakeNetworkPrinter printer("127.0.5.23");
  const PrinterModelConfig before = kitchenTable();
  EXPECT_EQ(call("startIPPrintTask", {arg("127.0.5.23"), arg(0), arg(1)}), CallResult::boolean(false));
  EXPECT_EQ(call("startIPPrintTask", {arg("127.0.5.23")}), CallResult::boolean(false));
  EXPECT_EQ(call("startIPPrintTask", {arg("127.0.5.23"), arg(6)}), CallResult::boolean(false));
  EXPECT_EQ(call("startIPPrintTask", {arg("127.0.5.23"), arg(-1)}), CallResult::boolean(false));
  for (int slot : {-1, 6, 1000000}) {
    EXPECT_TRUE(call("printTextByNet", {arg(slot), arg("x"), arg("zoomW")}).isUndefined());
    EXPECT_TRUE(call("cutPaperByNet", {arg(slot), arg(true)}).isUndefined());
    EXPECT_TRUE(call("rollPaperByNet", {arg(slot), arg(3)}).isUndefined());
  }
  EXPECT_TRUE(call("cutPaperByNet", {}).isUndefined());
  call("cutPaperByNet", {arg(0), arg(1), arg(2)});
  call("printTextByNet", {arg(0)});
  EXPECT_EQ(kitchenTable().bytes, before.bytes);

  // Only the valid binding counts, and endIPPrintTask with an argument keeps it.
  ASSERT_EQ(call("startIPPrintTask", {arg("127.0.5.23"), arg(0)}), CallResult::boolean(true));
  call("endIPPrintTask", {arg(1)});
  call("cutPaperByNet", {arg(0)});
  call("endIPPrintTask", {});
  EXPECT_EQ(printer.waitForClosedConnections(1), std::vector<std::string>{hexBytes("1d 56 00")});
}

TEST_F(NetPrinterFunctionsTest, UnreachablePrinterIsSilentAndNotRetriedUntilBoundAgain) {
  call("startIPPrintTask", {arg("127.0.5.24"), arg(1)});
  call("startIPPrintTask", {arg("127.0.5.24"), arg(2)});        // the same printer on another slot
  call("printTextByNet", {arg(1), arg("lost"), arg("zoomW")});  // nothing listens: refused
  FakeNetworkPrinter printer("127.0.5.24");
  call("cutPaperByNet", {arg(1)});
  call("rollPaperByNet", {arg(2), arg(1)});
  EXPECT_EQ(printer.waitForConnections(0), 0u);
  EXPECT_EQ(dialogs(), "");

  call("startIPPrintTask", {arg("127.0.5.24"), arg(1)});
  call("cutPaperByNet", {arg(1)});
  call("endIPPrintTask", {});
  EXPECT_EQ(printer.waitForClosedConnections(1), std::vector<std::string>{hexBytes("1d 56 00")});
}

TEST_F(NetPrinterFunctionsTest, APrinterThatStopsTakingBytesCostsOneWaitNotOnePerCommand) {
  FakeNetworkPrinter printer("127.0.5.28");
  call("startIPPrintTask", {arg("127.0.5.28"), arg(0)});
  call("startIPPrintTask", {arg("127.0.5.28"), arg(1)});
  printer.stopReading();
  // Far more than the socket buffers hold: the send gives up after its wait.
  call("printTextByNet", {arg(0), CallArgument::string(std::string(16 << 20, 'x'))});
  call("cutPaperByNet", {arg(0)});
  call("printTextByNet", {arg(1), arg("y")});
  call("endIPPrintTask", {});
  // One connection, which took what it could before the printer stalled,
  // and no command after the wait.
  printer.resumeReading();
  const std::vector<std::string> streams = printer.waitForClosedConnections(1);
  ASSERT_EQ(streams.size(), 1u);
  EXPECT_EQ(streams[0].find_first_not_of('x'), std::string::npos);
  EXPECT_LT(streams[0].size(), std::size_t{16} << 20);
}

TEST_F(NetPrinterFunctionsTest, ConnectionDroppedByThePrinterIsReplacedBeforeTheNextPrint) {
  FakeNetworkPrinter printer("127.0.5.25");
  call("startIPPrintTask", {arg("127.0.5.25"), arg(3)});
  call("printTextByNet", {arg(3), arg("1")});
  ASSERT_EQ(printer.waitForBytes(4), hexBytes("31 1b 21 00"));
  printer.dropConnections();
  call("printTextByNet", {arg(3), arg("2")});
  call("endIPPrintTask", {});
  const std::vector<std::string> expected{hexBytes("31 1b 21 00"), hexBytes("32 1b 21 00")};
  EXPECT_EQ(printer.waitForClosedConnections(2), expected);
}

TEST_F(NetPrinterFunctionsTest, EndIPPrintTaskClosesEverySlotSocket) {
  FakeNetworkPrinter first("127.0.5.26");
  FakeNetworkPrinter second("127.0.5.27");
  const std::size_t descriptorsBefore = openDescriptorCount();
  call("startIPPrintTask", {arg("127.0.5.26"), arg(0)});
  call("startIPPrintTask", {arg("127.0.5.27"), arg(4)});
  call("cutPaperByNet", {arg(0)});
  call("cutPaperByNet", {arg(4)});
  call("endIPPrintTask", {});
  first.waitForClosedConnections(1);
  second.waitForClosedConnections(1);
  EXPECT_EQ(openDescriptorCount(), descriptorsBefore);

  // Unbound: later prints go nowhere.
  call("cutPaperByNet", {arg(0)});
  EXPECT_EQ(first.waitForConnections(1), 1u);
}

}  // namespace
}  // namespace lumetra::test
