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

PrinterSession& findOrCreateSession(Printers& printers, const std::u16string& name) { return printers.registry[name]; }

}  // namespace lumetra
