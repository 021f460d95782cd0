#include "platform/print/cups_connection.h"

#include <vector>

namespace lumetra::platform::cups {
namespace {

// A local scheduler answers in milliseconds; these only bound the wait for a
// remote or wedged one.
constexpr int kConnectTimeoutMs = 3000;
constexpr double kAnswerTimeoutSeconds = 10.0;

// libcups asks this when an answer is late; 0 gives up instead of waiting on.
int giveUpWaiting(http_t*, void*) { return 0; }

}  // namespace

Connection connectToServer() {
  Connection connection(
      httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, kConnectTimeoutMs, nullptr));
  if (connection) httpSetTimeout(connection.get(), kAnswerTimeoutSeconds, giveUpWaiting, nullptr);
  return connection;
}

std::string printerUri(std::string_view printerName) {
  char uri[HTTP_MAX_URI];
  const std::string name(printerName);
  httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(), "/printers/%s",
                   name.c_str());
  return uri;
}

IppMessage newPrinterRequest(ipp_op_t operation, std::string_view printerName) {
  IppMessage request(ippNewRequest(operation));
  ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, printerUri(printerName).c_str());
  ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
  return request;
}

void requestAttributes(ipp_t* request, std::initializer_list<const char*> names) {
  const std::vector<const char*> list(names);
  ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", static_cast<int>(list.size()),
                nullptr, list.data());
}

IppMessage send(http_t* connection, IppMessage request) {
  IppMessage answer(cupsDoRequest(connection, request.release(), "/"));
  if (!answer || !succeeded(cupsLastError())) return nullptr;
  return answer;
}

std::uint32_t lastServerError() {
  const ipp_status_t status = cupsLastError();
  return static_cast<std::uint32_t>(succeeded(status) ? IPP_STATUS_ERROR_INTERNAL : status);
}

}  // namespace lumetra::platform::cups
