#include "support/recording_spooler.h"

#include "base/utf.h"

namespace lumetra::test {
namespace {

using platform::spooler_error::kInvalidHandle;
using platform::spooler_error::kInvalidPrinterName;

}  // namespace

void RecordingSpooler::addPrinter(const std::u16string& name, Printer printer) {
  std::lock_guard lock(mutex_);
  printers_.emplace_back(name, std::move(printer));
}

void RecordingSpooler::failNext(const std::string& operation, std::uint32_t error) {
  std::lock_guard lock(mutex_);
  plannedFailures_[operation] = error;
}

std::string RecordingSpooler::writtenBytes() const {
  std::lock_guard lock(mutex_);
  std::string all;
  for (const std::string& piece : writes_) all += piece;
  return all;
}

void RecordingSpooler::clearRecord() {
  std::lock_guard lock(mutex_);
  writes_.clear();
  calls_.clear();
}

bool RecordingSpooler::record(const std::string& operation, platform::PrinterHandle handle) {
  calls_.push_back(operation);
  changed_.notify_all();
  if (auto planned = plannedFailures_.find(operation); planned != plannedFailures_.end()) {
    lastError_ = planned->second;
    plannedFailures_.erase(planned);
    return false;
  }
  if (handle != platform::kNoPrinterHandle && !open_.contains(handle)) {
    lastError_ = kInvalidHandle;
    return false;
  }
  return true;
}

const RecordingSpooler::Printer* RecordingSpooler::printerOf(platform::PrinterHandle handle) const {
  const auto it = open_.find(handle);
  if (it == open_.end()) return nullptr;
  for (const auto& [name, printer] : printers_) {
    if (name == it->second) return &printer;
  }
  return nullptr;
}

std::optional<platform::PrinterHandle> RecordingSpooler::open(std::u16string_view printerName) {
  std::lock_guard lock(mutex_);
  if (!record("open " + utf16ToUtf8(printerName), platform::kNoPrinterHandle)) {
    return std::nullopt;
  }
  for (const auto& entry : printers_) {
    if (entry.first == printerName) {
      open_[nextHandle_] = entry.first;
      return nextHandle_++;
    }
  }
  lastError_ = kInvalidPrinterName;
  return std::nullopt;
}

bool RecordingSpooler::close(platform::PrinterHandle handle) {
  std::lock_guard lock(mutex_);
  if (!record("close", handle)) return false;
  open_.erase(handle);
  return true;
}

std::uint32_t RecordingSpooler::startDocument(platform::PrinterHandle handle, const platform::DocumentInfo& info) {
  std::lock_guard lock(mutex_);
  const std::string operation = "startDocument " + utf16ToUtf8(info.name) + " " + utf16ToUtf8(info.dataType);
  return record(operation, handle) ? nextJob_++ : 0;
}

bool RecordingSpooler::startPage(platform::PrinterHandle handle) {
  std::lock_guard lock(mutex_);
  return record("startPage", handle);
}

bool RecordingSpooler::write(platform::PrinterHandle handle, std::string_view bytes) {
  std::lock_guard lock(mutex_);
  if (!record("write", handle)) return false;
  writes_.emplace_back(bytes);
  return true;
}

bool RecordingSpooler::endPage(platform::PrinterHandle handle) {
  std::lock_guard lock(mutex_);
  return record("endPage", handle);
}

bool RecordingSpooler::endDocument(platform::PrinterHandle handle) {
  std::lock_guard lock(mutex_);
  return record("endDocument", handle);
}

std::vector<std::u16string> RecordingSpooler::printerNames() {
  std::lock_guard lock(mutex_);
  record("printerNames", platform::kNoPrinterHandle);
  std::vector<std::u16string> names;
  for (const auto& entry : printers_) names.push_back(entry.first);
  return names;
}

std::optional<platform::PrinterDetails> RecordingSpooler::printerDetails(platform::PrinterHandle handle) {
  std::lock_guard lock(mutex_);
  if (!record("printerDetails", handle)) return std::nullopt;
  const Printer* printer = printerOf(handle);
  if (!printer) return std::nullopt;
  return platform::PrinterDetails{printer->status, static_cast<std::uint32_t>(printer->jobStatuses.size())};
}

std::optional<std::vector<std::uint32_t>> RecordingSpooler::jobStatuses(platform::PrinterHandle handle,
                                                                        std::uint32_t maxJobs) {
  std::lock_guard lock(mutex_);
  if (!record("jobStatuses", handle)) return std::nullopt;
  const Printer* printer = printerOf(handle);
  if (!printer) return std::nullopt;
  std::vector<std::uint32_t> statuses = printer->jobStatuses;
  if (statuses.size() > maxJobs) statuses.resize(maxJobs);
  return statuses;
}

std::optional<platform::QueueActivity> RecordingSpooler::queueActivity(std::u16string_view printerName) {
  std::lock_guard lock(mutex_);
  if (!record("queueActivity " + utf16ToUtf8(printerName), platform::kNoPrinterHandle)) return std::nullopt;
  for (const auto& [name, printer] : printers_) {
    if (name == printerName) {
      return platform::QueueActivity{.status = printer.status, .stopped = false, .unfinishedJobs = {}};
    }
  }
  lastError_ = kInvalidPrinterName;
  return std::nullopt;
}

bool RecordingSpooler::ensureServiceRunning() {
  std::lock_guard lock(mutex_);
  record("ensureServiceRunning", platform::kNoPrinterHandle);
  return serviceRunning_;
}

void RecordingSpooler::setServiceRunning(bool running) {
  std::lock_guard lock(mutex_);
  serviceRunning_ = running;
}

std::vector<std::string> RecordingSpooler::writes() const {
  std::lock_guard lock(mutex_);
  return writes_;
}

std::vector<std::string> RecordingSpooler::calls() const {
  std::lock_guard lock(mutex_);
  return calls_;
}

std::size_t RecordingSpooler::openHandles() const {
  std::lock_guard lock(mutex_);
  return open_.size();
}

std::uint32_t RecordingSpooler::lastError() const {
  std::lock_guard lock(mutex_);
  return lastError_;
}

std::vector<std::string> RecordingSpooler::waitForCalls(std::size_t count) const {
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, std::chrono::seconds(30), [&] { return calls_.size() >= count; });
  return calls_;
}

}  // namespace lumetra::test
