#pragma once

#include <cups/cups.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace lumetra::platform::cups {

struct HttpClose {
  void operator()(http_t* http) const { httpClose(http); }
};
struct IppDelete {
  void operator()(ipp_t* ipp) const { ippDelete(ipp); }
};
using Connection = std::unique_ptr<http_t, HttpClose>;
using IppMessage = std::unique_ptr<ipp_t, IppDelete>;

// A fresh connection to the CUPS server libcups is pointed at (CUPS_SERVER,
// client.conf or the local socket). Connecting and every later wait for an
// answer are bounded, so a hung or distant server cannot freeze the till.
// Null when the server cannot be reached; errno then says why.
Connection connectToServer();

// The address of a queue as the scheduler knows it.
std::string printerUri(std::string_view printerName);

// A request about one queue, with the printer and the requesting user set.
IppMessage newPrinterRequest(ipp_op_t operation, std::string_view printerName);

// Asks for the named attributes only (the answer stays small).
void requestAttributes(ipp_t* request, std::initializer_list<const char*> names);

// Sends the request and returns the answer when the server accepted it;
// null otherwise, with cupsLastError() telling why.
IppMessage send(http_t* connection, IppMessage request);

// Whether a status from the server means success.
inline bool succeeded(ipp_status_t status) { return status <= IPP_STATUS_OK_EVENTS_COMPLETE; }

// The number reported for the last failed request: the server's IPP status
// code, so a technician can look it up; never 0.
std::uint32_t lastServerError();

}  // namespace lumetra::platform::cups
