#include "printer/printer_sessions.h"

#include <utility>

namespace lumetra {
namespace {

using namespace platform::printer_status;

// Conditions under which a printer cannot print now, and the job conditions
// that block a job the printer is working on.
constexpr std::uint32_t kPrinterErrorMask = kError | kPaperJam | kPaperOut | kPaperProblem | kOffline | kOutputBinFull |
                                            kNotAvailable | kNoToner | kOutOfMemory | kDoorOpen;
constexpr std::uint32_t kJobErrorMask = platform::job_status::kError | platform::job_status::kOffline |
                                        platform::job_status::kPaperOut | platform::job_status::kBlockedDevq;

}  // namespace

bool openPrinterSession(Printers& printers, const std::u16string& name) {
  std::optional<platform::PrinterHandle> opened = printers.spooler.open(name);
  platform::PrinterHandle previous = platform::kNoPrinterHandle;
  bool remembered = false;
  {
    PrinterTables tables(printers);
    // A failed open leaves a known printer not open, and remembers no new one.
    if (PrinterSession* session = opened ? tables.session(name) : tables.find(name)) {
      previous = std::exchange(session->handle, opened.value_or(platform::kNoPrinterHandle));
      remembered = true;
    }
  }
  if (previous != platform::kNoPrinterHandle) printers.spooler.close(previous);
  // No room to remember it: a handle nobody could close must not stay open.
  if (opened && !remembered) printers.spooler.close(*std::exchange(opened, std::nullopt));
  return opened.has_value();
}

platform::PrinterHandle sessionHandle(Printers& printers, const std::u16string& name) {
  PrinterTables tables(printers);
  const PrinterSession* session = tables.find(name);
  return session ? session->handle : platform::kNoPrinterHandle;
}

void closePrinterSession(Printers& printers, const std::u16string& name, bool forget) {
  platform::PrinterHandle handle = platform::kNoPrinterHandle;
  {
    PrinterTables tables(printers);
    if (PrinterSession* session = tables.find(name)) {
      handle = std::exchange(session->handle, platform::kNoPrinterHandle);
    }
    if (forget && handle != platform::kNoPrinterHandle) tables.sessions().erase(name);
  }
  if (handle != platform::kNoPrinterHandle) printers.spooler.close(handle);
}

void closeAllPrinterSessions(Printers& printers) {
  std::vector<platform::PrinterHandle> handles;
  {
    PrinterTables tables(printers);
    for (auto& [name, session] : tables.sessions()) {
      if (session.isOpen()) handles.push_back(std::exchange(session.handle, platform::kNoPrinterHandle));
    }
  }
  for (platform::PrinterHandle handle : handles) printers.spooler.close(handle);
}

void writeToPrinter(Printers& printers, platform::PrinterHandle handle, std::string_view bytes) {
  printers.spooler.write(handle, bytes);
}

// A spooler that cannot be reached cannot print either: the till must not
// be told all is well.
bool spoolerUnreachable(const platform::Spooler& spooler) {
  return spooler.lastError() == platform::spooler_error::kServiceUnavailable;
}

bool printerCanPrint(platform::Spooler& spooler, platform::PrinterHandle handle) {
  const std::optional<platform::PrinterDetails> details = spooler.printerDetails(handle);
  if (!details) {
    if (spoolerUnreachable(spooler)) return false;
    // A printer not open yet has nothing to report, unless there is no
    // spooler to open it on.
    return handle != platform::kNoPrinterHandle || spooler.ensureServiceRunning();
  }
  // A printer that reports an error is in error even when its jobs cannot
  // be listed.
  if (details->status & kPrinterErrorMask) return false;
  const auto jobs = spooler.jobStatuses(handle, details->jobCount);
  if (!jobs) return !spoolerUnreachable(spooler);
  for (std::uint32_t job : *jobs) {
    if ((job & platform::job_status::kPrinting) && (job & kJobErrorMask)) return false;
  }
  return true;
}

bool isPseudoPrinter(const std::u16string& name) {
  return name.find(u"Microsoft") != std::u16string::npos || name.find(u"Fax") != std::u16string::npos;
}

}  // namespace lumetra
