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

PrinterSession* findSession(Printers& printers, std::u16string_view name) {
  const auto entry = printers.registry.find(name);
  return entry == printers.registry.end() ? nullptr : &entry->second;
}

PrinterSession* findOrCreateSession(Printers& printers, const std::u16string& name) {
  if (PrinterSession* session = findSession(printers, name)) return session;
  if (printers.registry.size() >= kMaxPrinterSessions) {
    if (!std::exchange(printers.registryFullTold, true)) {
      logf(LogLevel::warning, "%zu printers are remembered already: printers of other names are refused",
           kMaxPrinterSessions);
    }
    return nullptr;
  }
  return &printers.registry[name];
}

PrinterModelConfig& kitchenCommands(Printers& printers) { return printers.registry[kKitchenPrinterName].commands; }

}  // namespace lumetra
