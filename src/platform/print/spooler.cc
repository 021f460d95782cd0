#include "platform/print/spooler.h"

namespace lumetra::platform {
namespace {

// What the core sees before a host has installed a real spooler.
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
  std::optional<std::vector<std::uint32_t>> jobStatuses(PrinterHandle, std::uint32_t) override {
    return std::nullopt;
  }
  bool ensureServiceRunning() override { return false; }
  std::uint32_t lastError() const override { return spooler_error::kServiceUnavailable; }
};

Spooler& unavailableSpooler() {
  static UnavailableSpooler unavailable;
  return unavailable;
}

Spooler*& current() {
  static Spooler* installed = &unavailableSpooler();
  return installed;
}

}  // namespace

Spooler& spooler() { return *current(); }

void installSpooler(Spooler* replacement) {
  current() = replacement ? replacement : &unavailableSpooler();
}

ScopedSpooler::ScopedSpooler(Spooler& replacement) : previous_(&spooler()) {
  installSpooler(&replacement);
}

ScopedSpooler::~ScopedSpooler() { installSpooler(previous_); }

}  // namespace lumetra::platform
