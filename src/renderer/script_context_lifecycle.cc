#include "renderer/script_context_lifecycle.h"

#include <mutex>

#include "net/net_printer_slots.h"
#include "platform/print/spooler.h"
#include "printer/model_config_loader.h"
#include "printer/printer_registry.h"

namespace lumetra {

// Both steps take the printer lock: the pending-task retry prints from
// another thread, with these tables and handles.
void onScriptContextCreated() {
  std::lock_guard lock(printerLock());
  loadModelConfig(kKitchenPrinterName, kKitchenModelName);
}

void onScriptContextReleased() {
  std::lock_guard lock(printerLock());
  for (auto& [name, session] : printerRegistry()) {
    if (!session.isOpen()) continue;
    platform::spooler().close(session.handle);
    session.handle = platform::kNoPrinterHandle;
  }
  clearNetworkTransportFlags();
}

}  // namespace lumetra
