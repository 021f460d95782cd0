#include "platform/cups_spooler.h"

#include <gtest/gtest.h>

#include "support/cupsd_fixture.h"
#include "support/raw_device_listener.h"
#include "support/temp_dir.h"

namespace lumetra::platform {
namespace {

// Every byte value once, NUL and the high half included.
std::string everyByte() {
  std::string bytes;
  for (int value = 0; value < 256; ++value) bytes.push_back(static_cast<char>(value));
  return bytes;
}

TEST(CupsSpoolerTest, BytesOfADocumentReachTheDeviceUnchangedAndInOrder) {
  test::PrivateCupsd cupsd;
  test::RawDeviceListener device("127.0.3.1");
  cupsd.addRawQueue("Receipt", device.uri());
  CupsSpooler spooler;

  const PrinterHandle handle = spooler.open(u"Receipt").value();
  EXPECT_FALSE(spooler.write(handle, "lost"));  // no document yet
  EXPECT_EQ(spooler.lastError(), spooler_error::kNoDocument);
  ASSERT_NE(spooler.startDocument(handle, DocumentInfo{}), 0u);
  ASSERT_TRUE(spooler.startPage(handle));
  EXPECT_TRUE(spooler.write(handle, everyByte()));
  EXPECT_TRUE(spooler.write(handle, ""));  // must not end the document early
  EXPECT_TRUE(spooler.write(handle, "\r\n"));
  EXPECT_TRUE(spooler.endPage(handle));
  EXPECT_TRUE(spooler.endDocument(handle));
  EXPECT_TRUE(spooler.close(handle));
  EXPECT_EQ(device.nextJob(), everyByte() + "\r\n");
  EXPECT_FALSE(spooler.close(handle));
  EXPECT_EQ(spooler.lastError(), spooler_error::kInvalidHandle);
}

TEST(CupsSpoolerTest, DocumentsAreStartedOnceAndClosingDeliversAnUnfinishedOne) {
  test::PrivateCupsd cupsd;
  test::RawDeviceListener device("127.0.3.2");
  cupsd.addRawQueue("Receipt", device.uri());
  CupsSpooler spooler;

  const PrinterHandle handle = spooler.open(u"Receipt").value();
  ASSERT_NE(spooler.startDocument(handle, DocumentInfo{}), 0u);
  EXPECT_EQ(spooler.startDocument(handle, DocumentInfo{}), 0u);
  EXPECT_EQ(spooler.lastError(), spooler_error::kDocumentInProgress);
  EXPECT_TRUE(spooler.write(handle, "first"));  // a write before any page starts the data
  EXPECT_TRUE(spooler.startPage(handle));
  EXPECT_TRUE(spooler.write(handle, " ticket"));
  EXPECT_TRUE(spooler.close(handle));
  EXPECT_EQ(device.nextJob(), "first ticket");
}

TEST(CupsSpoolerTest, UnknownQueuesAndAbsentServersGiveTheirErrorNumbers) {
  {
    test::PrivateCupsd cupsd;
    CupsSpooler spooler;
    EXPECT_FALSE(spooler.open(u"NoSuchQueue"));
    EXPECT_EQ(spooler.lastError(), spooler_error::kInvalidPrinterName);
    EXPECT_TRUE(spooler.ensureServiceRunning());
    EXPECT_TRUE(spooler.printerNames().empty());  // a scheduler without queues
  }
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
