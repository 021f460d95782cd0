#include "printer/printer_registry.h"

namespace lumetra {

PrinterRegistry& printerRegistry() {
  static PrinterRegistry registry;
  return registry;
}

PrinterSession& findOrCreateSession(const std::u16string& name) {
  return printerRegistry()[name];
}

platform::PrinterHandle sessionHandle(const std::u16string& name) {
  return findOrCreateSession(name).handle;
}

void markSessionClosed(const std::u16string& name) {
  findOrCreateSession(name).handle = platform::kNoPrinterHandle;
}

std::recursive_mutex& printerLock() {
  static std::recursive_mutex lock;
  return lock;
}

}  // namespace lumetra
