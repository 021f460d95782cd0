#include "platform/print/cups_spooler.h"

#include <gtest/gtest.h>

#include "support/cupsd_fixture.h"
#include "support/fake_network_printer.h"
#include "support/temp_dir.h"

namespace lumetra::platform {
namespace {

// Every byte value once, NUL and the high half included.
std::string everyByte() {
  std::string bytes;
  for (int value = 0; value < 256; ++value) bytes.push_back(static_cast<char>(value));
  return bytes;
}

class CupsSpoolerTest : public ::testing::Test {
 protected:
  // Opens a raw queue whose device is `device`.
  PrinterHandle openQueueTo(const test::FakeNetworkPrinter& device) {
    cupsd_.addRawQueue("Receipt", device.deviceUri());
    return spooler_.open(u"Receipt").value();
  }

  test::PrivateCupsd cupsd_;
  CupsSpooler spooler_;
};

TEST_F(CupsSpoolerTest, BytesOfADocumentReachTheDeviceUnchangedAndInOrder) {
  test::FakeNetworkPrinter device("127.0.3.1");
  const PrinterHandle handle = openQueueTo(device);
  EXPECT_FALSE(spooler_.write(handle, "lost"));  // no document yet
  EXPECT_EQ(spooler_.lastError(), spooler_error::kNoDocument);
  ASSERT_NE(spooler_.startDocument(handle, DocumentInfo{}), 0u);
  ASSERT_TRUE(spooler_.startPage(handle));
  EXPECT_TRUE(spooler_.write(handle, everyByte()));
  EXPECT_TRUE(spooler_.write(handle, ""));  // must not end the document early
  EXPECT_TRUE(spooler_.write(handle, "\r\n"));
  EXPECT_TRUE(spooler_.endPage(handle));
  EXPECT_TRUE(spooler_.endDocument(handle));
  EXPECT_TRUE(spooler_.close(handle));
  EXPECT_EQ(device.job(1), everyByte() + "\r\n");
  EXPECT_FALSE(spooler_.close(handle));
  EXPECT_EQ(spooler_.lastError(), spooler_error::kInvalidHandle);
}

TEST_F(CupsSpoolerTest, DocumentsAreStartedOnceAndClosingDeliversAnUnfinishedOne) {
  test::FakeNetworkPrinter device("127.0.3.2");
  const PrinterHandle handle = openQueueTo(device);
  ASSERT_NE(spooler_.startDocument(handle, DocumentInfo{}), 0u);
  EXPECT_EQ(spooler_.startDocument(handle, DocumentInfo{}), 0u);
  EXPECT_EQ(spooler_.lastError(), spooler_error::kDocumentInProgress);
  EXPECT_TRUE(spooler_.write(handle, "first"));  // a write before any page starts the data
  EXPECT_TRUE(spooler_.startPage(handle));
  EXPECT_TRUE(spooler_.write(handle, " ticket"));
  EXPECT_TRUE(spooler_.close(handle));
  EXPECT_EQ(device.job(1), "first ticket");
}

TEST_F(CupsSpoolerTest, ADocumentEndedWithoutDataLeavesNoJobBehind) {
  cupsd_.addRawQueue("Empty", "socket://127.0.3.3:9100");
  const PrinterHandle handle = spooler_.open(u"Empty").value();
  ASSERT_NE(spooler_.startDocument(handle, DocumentInfo{}), 0u);
  // CUPS holds a created job until its document comes.
  EXPECT_EQ(spooler_.jobStatuses(handle, 10), std::vector<std::uint32_t>{job_status::kPaused});
  EXPECT_TRUE(spooler_.endDocument(handle));
  EXPECT_EQ(spooler_.jobStatuses(handle, 10), std::vector<std::uint32_t>{});
  EXPECT_FALSE(spooler_.endDocument(handle));
  EXPECT_EQ(spooler_.lastError(), spooler_error::kNoDocument);
}

TEST_F(CupsSpoolerTest, UnknownQueuesGiveTheirErrorNumber) {
  EXPECT_FALSE(spooler_.open(u"NoSuchQueue"));
  EXPECT_EQ(spooler_.lastError(), spooler_error::kInvalidPrinterName);
  EXPECT_TRUE(spooler_.ensureServiceRunning());
  EXPECT_TRUE(spooler_.printerNames().empty());  // a scheduler without queues
}

TEST(CupsSpoolerWithoutServerTest, AnAbsentServerIsAnUnavailableService) {
  test::TempDir nowhere;
  test::ScopedEnv server("CUPS_SERVER", (nowhere.path() / "cups.sock").string());
  cupsSetServer(nullptr);
  CupsSpooler spooler;
  EXPECT_FALSE(spooler.ensureServiceRunning());
  EXPECT_EQ(spooler.lastError(), spooler_error::kServiceUnavailable);
  EXPECT_FALSE(spooler.open(u"Receipt"));
  EXPECT_EQ(spooler.lastError(), spooler_error::kServiceUnavailable);
  cupsSetServer(nullptr);
}

}  // namespace
}  // namespace lumetra::platform
