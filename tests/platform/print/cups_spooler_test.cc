#include "platform/print/cups_spooler.h"

#include <gtest/gtest.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <thread>

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

// An IPP server on a loopback address that answers every request with the
// attributes `fill` adds, as a server that is no CUPS (or a hostile one on
// the shop's network, where CUPS_SERVER may point) could.
class IppServer {
 public:
  IppServer(const char* address, std::function<void(ipp_t*)> fill) : fill_(std::move(fill)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    ::inet_pton(AF_INET, address, &local.sin_addr);
    socklen_t length = sizeof local;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&local), length) != 0 || ::listen(listener_, 4) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
      throw std::runtime_error("cannot listen on " + std::string(address));
    }
    server_ = std::string(address) + ":" + std::to_string(ntohs(local.sin_port));
    thread_ = std::thread([this] { answerOne(); });
  }
  ~IppServer() {
    ::shutdown(listener_, SHUT_RDWR);
    thread_.join();
    ::close(listener_);
  }
  const std::string& server() const { return server_; }  // "address:port", for CUPS_SERVER

 private:
  void answerOne() {
    http_t* http = httpAcceptConnection(listener_, 1);
    if (!http) return;
    char uri[HTTP_MAX_URI];
    ipp_t* request = ippNew();
    if (httpReadRequest(http, uri, sizeof uri) == HTTP_STATE_POST) {
      http_status_t status = HTTP_STATUS_CONTINUE;
      while (status == HTTP_STATUS_CONTINUE) status = httpUpdate(http);
      if (httpGetExpect(http) == HTTP_STATUS_CONTINUE) httpWriteResponse(http, HTTP_STATUS_CONTINUE);
      ipp_state_t state = IPP_STATE_IDLE;
      while (state != IPP_STATE_DATA && state != IPP_STATE_ERROR) state = ippRead(http, request);
      ipp_t* answer = ippNewResponse(request);
      fill_(answer);
      httpClearFields(http);
      httpSetField(http, HTTP_FIELD_CONTENT_TYPE, "application/ipp");
      httpSetLength(http, ippLength(answer));
      httpWriteResponse(http, HTTP_STATUS_OK);
      state = IPP_STATE_IDLE;
      while (state != IPP_STATE_DATA && state != IPP_STATE_ERROR) state = ippWrite(http, answer);
      httpFlushWrite(http);
      ippDelete(answer);
    }
    ippDelete(request);
    httpClose(http);
  }

  std::function<void(ipp_t*)> fill_;
  int listener_ = -1;
  std::string server_;
  std::thread thread_;
};

// printer-name given as a number, with no value, and as a name: only the
// name is listed, and nothing reads a text that is not there.
TEST(CupsSpoolerWithAnotherServerTest, APrinterNameThatIsNoTextIsPassedOver) {
  const IppServer server("127.0.3.9", [](ipp_t* answer) {
    ippSetStatusCode(answer, IPP_STATUS_OK);
    ippAddInteger(answer, IPP_TAG_PRINTER, IPP_TAG_INTEGER, "printer-name", 7);
    ippAddSeparator(answer);
    ippAddOutOfBand(answer, IPP_TAG_PRINTER, IPP_TAG_NOVALUE, "printer-name");
    ippAddSeparator(answer);
    ippAddString(answer, IPP_TAG_PRINTER, IPP_TAG_NAME, "printer-name", nullptr, "Kitchen");
  });
  test::ScopedEnv cupsServer("CUPS_SERVER", server.server());
  cupsSetServer(nullptr);
  CupsSpooler spooler;
  EXPECT_EQ(spooler.printerNames(), std::vector<std::u16string>{u"Kitchen"});
  cupsSetServer(nullptr);
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
