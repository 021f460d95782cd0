#include "printer/printers.h"

#include <algorithm>
#include <utility>

#include "base/log.h"

namespace lumetra {
namespace {

char16_t foldAsciiCase(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

}  // namespace

bool QueueNameLess::operator()(std::u16string_view a, std::u16string_view b) const {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char16_t x, char16_t y) { return foldAsciiCase(x) < foldAsciiCase(y); });
}

// The scope holds printerLock for its whole life, which the analysis cannot
// see through the member reference.
PrinterSession* PrinterTables::find(std::u16string_view name) {
  printers_.printerLock_.assertHeld();
  const auto entry = printers_.registry_.find(name);
  return entry == printers_.registry_.end() ? nullptr : &entry->second;
}

PrinterSession* PrinterTables::session(const std::u16string& name) {
  printers_.printerLock_.assertHeld();
  if (PrinterSession* existing = find(name)) return existing;
  if (printers_.registry_.size() >= kMaxPrinterSessions) {
    if (!std::exchange(printers_.registryFullTold_, true)) {
      logf(LogLevel::warning, "%zu printers are remembered already: printers of other names are refused",
           kMaxPrinterSessions);
    }
    return nullptr;
  }
  return &printers_.registry_[name];
}

PrinterRegistry& PrinterTables::sessions() {
  printers_.printerLock_.assertHeld();
  return printers_.registry_;
}

PrinterModelConfig& PrinterTables::kitchenCommands() {
  printers_.printerLock_.assertHeld();
  return printers_.registry_[kKitchenPrinterName].commands;
}

CashDrawerCommand& PrinterTables::cashDrawer() {
  printers_.printerLock_.assertHeld();
  return printers_.cashDrawer_;
}

}  // namespace lumetra
