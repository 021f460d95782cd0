#include "delivery/printer_state.h"

namespace lumetra {

std::string_view printerKindWord(PrinterKind kind) { return kind == PrinterKind::spooler ? "spooler" : "network"; }

}  // namespace lumetra
