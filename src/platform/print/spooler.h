#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumetra::platform {

// An open printer as the spooler hands it out. All bits set means "no
// handle"; zero is a valid handle value and never a marker.
using PrinterHandle = std::uintptr_t;
inline constexpr PrinterHandle kNoPrinterHandle = ~PrinterHandle{0};

// Printer status bits, with the values the page-side contract was written
// against, so masks such as "cannot print now" keep their meaning.
namespace printer_status {
inline constexpr std::uint32_t kPaused = 0x00000001;
inline constexpr std::uint32_t kError = 0x00000002;
inline constexpr std::uint32_t kPaperJam = 0x00000008;
inline constexpr std::uint32_t kPaperOut = 0x00000010;
inline constexpr std::uint32_t kPaperProblem = 0x00000040;
inline constexpr std::uint32_t kOffline = 0x00000080;
inline constexpr std::uint32_t kOutputBinFull = 0x00000800;
inline constexpr std::uint32_t kNotAvailable = 0x00001000;
inline constexpr std::uint32_t kNoToner = 0x00040000;
inline constexpr std::uint32_t kOutOfMemory = 0x00200000;
inline constexpr std::uint32_t kDoorOpen = 0x00400000;
}  // namespace printer_status

// Job status bits, likewise.
namespace job_status {
inline constexpr std::uint32_t kPaused = 0x00000001;
inline constexpr std::uint32_t kError = 0x00000002;
inline constexpr std::uint32_t kOffline = 0x00000020;
inline constexpr std::uint32_t kPrinting = 0x00000010;
inline constexpr std::uint32_t kPaperOut = 0x00000040;
inline constexpr std::uint32_t kBlockedDevq = 0x00000200;
}  // namespace job_status

// Error numbers a spooler reports through lastError() for failures of its
// own making. They keep the numbers the page-side contract knows; failures a
// print server reports carry that server's own status number instead.
namespace spooler_error {
inline constexpr std::uint32_t kInvalidHandle = 6;
inline constexpr std::uint32_t kServiceUnavailable = 1722;
inline constexpr std::uint32_t kInvalidPrinterName = 1801;
inline constexpr std::uint32_t kInvalidDataType = 1804;
inline constexpr std::uint32_t kDocumentInProgress = 1906;  // "invalid printer state"
inline constexpr std::uint32_t kNoDocument = 3003;          // "StartDocPrinter not called"
}  // namespace spooler_error

// What a document is started with: every document Lumetra starts is raw
// bytes for the printer, never rendered by a driver.
struct DocumentInfo {
  std::u16string name = u"My Document";
  std::u16string dataType = u"RAW";
};

struct PrinterDetails {
  std::uint32_t status = 0;    // printer_status bits
  std::uint32_t jobCount = 0;  // jobs queued on the printer
};

// A queue's state and the jobs it has not finished (waiting, held or
// printing), for watching documents after the spooler took them.
struct QueueActivity {
  std::uint32_t status = 0;                   // printer_status bits
  bool stopped = false;                       // it prints nothing until someone starts it again
  std::vector<std::uint32_t> unfinishedJobs;  // job ids as startDocument gave them
};

// The print spooler. Calls report failure by their result; the reason is
// then available from lastError() as a number for the user's message boxes.
class Spooler {
 public:
  virtual ~Spooler() = default;

  // Life span of a printer handle:
  virtual std::optional<PrinterHandle> open(std::u16string_view printerName) = 0;
  virtual bool close(PrinterHandle handle) = 0;

  // Documents: bytes written between startPage and endDocument reach the
  // printer unchanged. Returns the job id from startDocument, 0 on failure.
  virtual std::uint32_t startDocument(PrinterHandle handle, const DocumentInfo& info) = 0;
  virtual bool startPage(PrinterHandle handle) = 0;
  virtual bool write(PrinterHandle handle, std::string_view bytes) = 0;
  virtual bool endPage(PrinterHandle handle) = 0;
  virtual bool endDocument(PrinterHandle handle) = 0;

  // Inquiry:
  virtual std::vector<std::u16string> printerNames() = 0;
  virtual std::optional<PrinterDetails> printerDetails(PrinterHandle handle) = 0;
  virtual std::optional<std::vector<std::uint32_t>> jobStatuses(PrinterHandle handle, std::uint32_t maxJobs) = 0;
  // By the queue's name, without a handle; lastError() is
  // kInvalidPrinterName once the queue no longer exists.
  virtual std::optional<QueueActivity> queueActivity(std::u16string_view printerName) = 0;
  // Makes sure the spooler service can be reached; false when it cannot.
  virtual bool ensureServiceRunning() = 0;

  // The error number of the last failed call on this thread.
  virtual std::uint32_t lastError() const = 0;
};

// What a process has before it reaches a real spooler, and what tests get
// unless they bring one: every operation fails as with no spooler service,
// so nothing reaches a printer by accident.
class UnavailableSpooler final : public Spooler {
 public:
  std::optional<PrinterHandle> open(std::u16string_view) override { return std::nullopt; }
  bool close(PrinterHandle) override { return false; }
  std::uint32_t startDocument(PrinterHandle, const DocumentInfo&) override { return 0; }
  bool startPage(PrinterHandle) override { return false; }
  bool write(PrinterHandle, std::string_view) override { return false; }
  bool endPage(PrinterHandle) override { return false; }
  bool endDocument(PrinterHandle) override { return false; }
  std::vector<std::u16string> printerNames() override { return {}; }
  std::optional<PrinterDetails> printerDetails(PrinterHandle) override { return std::nullopt; }
  std::optional<std::vector<std::uint32_t>> jobStatuses(PrinterHandle, std::uint32_t) override { return std::nullopt; }
  std::optional<QueueActivity> queueActivity(std::u16string_view) override { return std::nullopt; }
  bool ensureServiceRunning() override { return false; }
  std::uint32_t lastError() const override { return spooler_error::kServiceUnavailable; }
};

}  // namespace lumetra::platform
