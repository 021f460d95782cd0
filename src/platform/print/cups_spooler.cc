#include "platform/print/cups_spooler.h"

#include "base/utf.h"

namespace lumetra::platform {

thread_local std::uint32_t CupsSpooler::lastErrorNumber_ = 0;

bool CupsSpooler::fail(std::uint32_t number) {
  lastErrorNumber_ = number;
  return false;
}

std::uint32_t CupsSpooler::lastError() const { return lastErrorNumber_; }

cups::Connection CupsSpooler::connect() {
  cups::Connection connection = cups::connectToServer();
  if (!connection) fail(spooler_error::kServiceUnavailable);
  return connection;
}

std::shared_ptr<CupsSpooler::OpenPrinter> CupsSpooler::find(PrinterHandle handle) {
  std::shared_ptr<OpenPrinter> printer;
  {
    MutexLock lock(mutex_);
    const auto it = open_.find(handle);
    if (it != open_.end()) printer = it->second;
  }
  if (!printer) fail(spooler_error::kInvalidHandle);
  return printer;
}

bool CupsSpooler::stillOpen(const OpenPrinter& printer) {
  return !printer.closed || fail(spooler_error::kInvalidHandle);
}

bool CupsSpooler::inDocument(const OpenPrinter& printer) {
  return stillOpen(printer) && (printer.document != Document::none || fail(spooler_error::kNoDocument));
}

std::optional<std::string> CupsSpooler::queueOf(PrinterHandle handle) {
  const std::shared_ptr<OpenPrinter> printer = find(handle);
  if (!printer) return std::nullopt;
  // Waits for a round trip of the handle in progress, as every call on it does.
  MutexLock lock(printer->mutex);
  if (!stillOpen(*printer)) return std::nullopt;
  return printer->queue;
}

std::optional<PrinterHandle> CupsSpooler::open(std::u16string_view printerName) {
  const std::string queue = utf16ToUtf8(printerName);
  if (queue.empty()) {
    fail(spooler_error::kInvalidPrinterName);
    return std::nullopt;
  }
  const cups::Connection connection = connect();
  if (!connection) return std::nullopt;

  cups::IppMessage request = cups::newPrinterRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, queue);
  cups::requestAttributes(request.get(), {"printer-name"});
  if (!cups::send(connection.get(), std::move(request))) {
    const bool unknown = cupsLastError() == IPP_STATUS_ERROR_NOT_FOUND;
    fail(unknown ? spooler_error::kInvalidPrinterName : cups::lastServerError());
    return std::nullopt;
  }

  auto printer = std::make_shared<OpenPrinter>(queue);
  MutexLock lock(mutex_);
  const PrinterHandle handle = nextHandle_++;
  open_.emplace(handle, std::move(printer));
  return handle;
}

bool CupsSpooler::close(PrinterHandle handle) {
  const std::shared_ptr<OpenPrinter> printer = find(handle);
  if (!printer) return false;
  MutexLock printerLock(printer->mutex);
  if (!stillOpen(*printer)) return false;
  printer->closed = true;
  {
    MutexLock lock(mutex_);
    open_.erase(handle);
  }
  // A handle let go in the middle of a document still delivers what was
  // written to it, as the platform spoolers do; the result has no taker.
  if (printer->document != Document::none) finishDocument(*printer);
  return true;
}

std::uint32_t CupsSpooler::startDocument(PrinterHandle handle, const DocumentInfo& info) {
  const std::shared_ptr<OpenPrinter> printer = find(handle);
  if (!printer) return 0;
  MutexLock lock(printer->mutex);
  if (!stillOpen(*printer)) return 0;
  if (printer->document != Document::none) return fail(spooler_error::kDocumentInProgress);
  if (info.dataType != u"RAW") return fail(spooler_error::kInvalidDataType);

  cups::Connection connection = connect();
  if (!connection) return 0;
  const std::string documentName = utf16ToUtf8(info.name);
  const int jobId = cupsCreateJob(connection.get(), printer->queue.c_str(), documentName.c_str(), 0, nullptr);
  if (jobId <= 0) return fail(cups::lastServerError());

  printer->jobConnection = std::move(connection);
  printer->jobId = jobId;
  printer->documentName = documentName;
  printer->document = Document::jobCreated;
  return static_cast<std::uint32_t>(jobId);
}

bool CupsSpooler::startStreaming(OpenPrinter& printer) {
  if (printer.document == Document::streaming) return true;
  const http_status_t status = cupsStartDocument(printer.jobConnection.get(), printer.queue.c_str(), printer.jobId,
                                                 printer.documentName.c_str(), CUPS_FORMAT_RAW, 1);
  if (status != HTTP_STATUS_CONTINUE) return fail(cups::lastServerError());
  printer.document = Document::streaming;
  return true;
}

bool CupsSpooler::startPage(PrinterHandle handle) {
  const std::shared_ptr<OpenPrinter> printer = find(handle);
  if (!printer) return false;
  MutexLock lock(printer->mutex);
  return inDocument(*printer) && startStreaming(*printer);
}

bool CupsSpooler::write(PrinterHandle handle, std::string_view bytes) {
  const std::shared_ptr<OpenPrinter> printer = find(handle);
  if (!printer) return false;
  MutexLock lock(printer->mutex);
  if (!inDocument(*printer) || !startStreaming(*printer)) return false;
  // A zero-length write of request data would end the document early.
  if (bytes.empty()) return true;
  if (cupsWriteRequestData(printer->jobConnection.get(), bytes.data(), bytes.size()) != HTTP_STATUS_CONTINUE) {
    return fail(cups::lastServerError());
  }
  return true;
}

bool CupsSpooler::endPage(PrinterHandle handle) {
  const std::shared_ptr<OpenPrinter> printer = find(handle);
  if (!printer) return false;
  MutexLock lock(printer->mutex);
  return inDocument(*printer);
}

bool CupsSpooler::endDocument(PrinterHandle handle) {
  const std::shared_ptr<OpenPrinter> printer = find(handle);
  if (!printer) return false;
  MutexLock lock(printer->mutex);
  return inDocument(*printer) && finishDocument(*printer);
}

bool CupsSpooler::finishDocument(OpenPrinter& printer) {
  http_t* connection = printer.jobConnection.get();
  ipp_status_t status;
  if (printer.document == Document::streaming) {
    status = cupsFinishDocument(connection, printer.queue.c_str());
  } else {
    // Nothing was ever sent: an empty job would only wake the printer.
    status = cupsCancelJob2(connection, printer.queue.c_str(), printer.jobId, 0);
  }
  printer.jobConnection.reset();
  printer.jobId = 0;
  printer.document = Document::none;
  return cups::succeeded(status) || fail(cups::lastServerError());
}

}  // namespace lumetra::platform
