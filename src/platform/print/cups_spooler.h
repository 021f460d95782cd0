#pragma once

#include <map>
#include <memory>
#include <string>

#include "base/mutex.h"
#include "platform/print/cups_connection.h"
#include "platform/print/spooler.h"

namespace lumetra::platform {

// The spooler over a CUPS scheduler (the one libcups is pointed at).
//
// How the calls map: open checks that the queue exists and gives a handle
// that only names it; startDocument creates a job named after the document
// on a connection of the handle's own; the first startPage (or a write
// before any page) starts the job's one raw document, later pages continue
// it; write sends the bytes as request data; endPage has nothing to send;
// endDocument finishes the document, or cancels a job that never got one.
// close ends a document still in progress the way endDocument would, so
// nothing written is lost. Inquiries use a fresh connection each.
//
// lastError() numbers: the spooler_error numbers for unknown printers,
// unknown handles, calls out of order and an unreachable server; otherwise
// the status code the scheduler answered with (for example 1286 for a queue
// that rejects jobs).
class CupsSpooler final : public Spooler {
 public:
  CupsSpooler() = default;
  CupsSpooler(const CupsSpooler&) = delete;
  CupsSpooler& operator=(const CupsSpooler&) = delete;

  std::optional<PrinterHandle> open(std::u16string_view printerName) override;
  bool close(PrinterHandle handle) override;

  std::uint32_t startDocument(PrinterHandle handle, const DocumentInfo& info) override;
  bool startPage(PrinterHandle handle) override;
  bool write(PrinterHandle handle, std::string_view bytes) override;
  bool endPage(PrinterHandle handle) override;
  bool endDocument(PrinterHandle handle) override;

  std::vector<std::u16string> printerNames() override;
  std::optional<PrinterDetails> printerDetails(PrinterHandle handle) override;
  std::optional<std::vector<std::uint32_t>> jobStatuses(PrinterHandle handle, std::uint32_t maxJobs) override;
  std::optional<QueueActivity> queueActivity(std::u16string_view printerName) override;
  bool ensureServiceRunning() override;

  std::uint32_t lastError() const override;

 private:
  enum class Document { none, jobCreated, streaming };

  // One open handle. Its own lock serialises the IPP round trips of this
  // handle only; other handles go on meanwhile.
  struct OpenPrinter {
    explicit OpenPrinter(std::string queue) : queue(std::move(queue)) {}

    Mutex mutex;
    const std::string queue;                           // the queue's name, UTF-8
    bool closed GUARDED_BY(mutex) = false;             // set by close; later calls fail as with an unknown handle
    cups::Connection jobConnection GUARDED_BY(mutex);  // only while a document is in progress
    int jobId GUARDED_BY(mutex) = 0;
    std::string documentName GUARDED_BY(mutex);
    Document document GUARDED_BY(mutex) = Document::none;
  };

  // The handle's printer, not locked yet; null (with lastError set) for a
  // handle that is not open.
  std::shared_ptr<OpenPrinter> find(PrinterHandle handle) EXCLUDES(mutex_);
  // Once the printer is locked: false (with lastError set) when another
  // thread closed it between the look-up and the lock, or, when a document
  // is needed, when it has none.
  static bool stillOpen(const OpenPrinter& printer) REQUIRES(printer.mutex);
  static bool inDocument(const OpenPrinter& printer) REQUIRES(printer.mutex);
  std::optional<std::string> queueOf(PrinterHandle handle);
  bool startStreaming(OpenPrinter& printer) REQUIRES(printer.mutex);
  bool finishDocument(OpenPrinter& printer) REQUIRES(printer.mutex);
  // A connection to the scheduler; null (with lastError set) when it cannot
  // be reached.
  static cups::Connection connect();
  // Records `number` as this thread's last error; always false.
  static bool fail(std::uint32_t number);

  static thread_local std::uint32_t lastErrorNumber_;

  Mutex mutex_;  // held only to look a handle up; calls may come from any thread
  std::map<PrinterHandle, std::shared_ptr<OpenPrinter>> open_ GUARDED_BY(mutex_);
  PrinterHandle nextHandle_ GUARDED_BY(mutex_) = 1;
};

}  // namespace lumetra::platform
