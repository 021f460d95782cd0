#include "printer/printer_registry.h"

namespace lumetra {

PrinterSession& findOrCreateSession(Printers& printers, const std::u16string& name) {
  return printers.registry[name];
}

}  // namespace lumetra
