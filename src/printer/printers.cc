#include "printer/printers.h"

#include <algorithm>

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
PrinterSession& PrinterTables::session(const std::u16string& name) {
  printers_.printerLock_.assertHeld();
  return printers_.registry_[name];
}

PrinterRegistry& PrinterTables::sessions() {
  printers_.printerLock_.assertHeld();
  return printers_.registry_;
}

CashDrawerCommand& PrinterTables::cashDrawer() {
  printers_.printerLock_.assertHeld();
  return printers_.cashDrawer_;
}

}  // namespace lumetra
