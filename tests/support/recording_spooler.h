#pragma once

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/print/spooler.h"

namespace lumetra::test {

// A spooler double that keeps every call, and every write as its own byte
// string, so tests can check how output was split as well as what it was.
struct FakePrinterState {
  std::uint32_t status = 0;                // platform::printer_status bits
  std::vector<std::uint32_t> jobStatuses;  // platform::job_status bits, one per job
};

class RecordingSpooler final : public platform::Spooler {
 public:
  using Printer = FakePrinterState;

  // Set-up:
  void addPrinter(const std::u16string& name, Printer printer = {});
  void failNext(const std::string& operation, std::uint32_t error);
  void setServiceRunning(bool running);

  // Observation (the delivery thread writes meanwhile):
  std::vector<std::string> writes() const;
  std::vector<std::string> calls() const;
  std::string writtenBytes() const;
  std::size_t openHandles() const;
  void clearRecord();
  // The calls once there are at least `count` of them (or a hang guard has
  // passed): the delivery thread prints after printTask has returned.
  std::vector<std::string> waitForCalls(std::size_t count) const;

  // platform::Spooler:
  std::optional<platform::PrinterHandle> open(std::u16string_view printerName) override;
  bool close(platform::PrinterHandle handle) override;
  std::uint32_t startDocument(platform::PrinterHandle handle, const platform::DocumentInfo& info) override;
  bool startPage(platform::PrinterHandle handle) override;
  bool write(platform::PrinterHandle handle, std::string_view bytes) override;
  bool endPage(platform::PrinterHandle handle) override;
  bool endDocument(platform::PrinterHandle handle) override;
  std::vector<std::u16string> printerNames() override;
  std::optional<platform::PrinterDetails> printerDetails(platform::PrinterHandle handle) override;
  std::optional<std::vector<std::uint32_t>> jobStatuses(platform::PrinterHandle handle, std::uint32_t maxJobs) override;
  // Its printers print every document the moment it ends: no job of ours is
  // ever unfinished.
  std::optional<platform::QueueActivity> queueActivity(std::u16string_view printerName) override;
  bool ensureServiceRunning() override;
  std::uint32_t lastError() const override;

 private:
  // Records the call; false (with the planned error) when it is to fail.
  bool record(const std::string& operation, platform::PrinterHandle handle);
  const Printer* printerOf(platform::PrinterHandle handle) const;

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<std::pair<std::u16string, Printer>> printers_;  // in listing order
  std::map<platform::PrinterHandle, std::u16string> open_;
  std::map<std::string, std::uint32_t> plannedFailures_;
  std::vector<std::string> writes_;
  std::vector<std::string> calls_;
  platform::PrinterHandle nextHandle_ = 0;
  std::uint32_t nextJob_ = 1;
  std::uint32_t lastError_ = 0;
  bool serviceRunning_ = true;
};

}  // namespace lumetra::test
