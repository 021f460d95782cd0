#include "renderer/script_context_lifecycle.h"

#include <mutex>

#include "net/net_printer_slots.h"
#include "platform/spooler.h"
#include "printer/model_config_loader.h"
#include "printer/printer_registry.h"

namespace lumetra {

void onScriptContextCreated() { loadModelConfig(kKitchenPrinterName, kKitchenModelName); }

void onScriptContextReleased() {
  // The lock keeps a print run on another thread from writing to a handle
  // while it is being closed under it.
  std::lock_guard lock(printerLock());
  for (auto& [name, session] : printerRegistry()) {
    if (!session.isOpen()) continue;
    platform::spooler().close(session.handle);
    session.handle = platform::kNoPrinterHandle;
  }
  clearNetworkTransportFlags();
}

}  // namespace lumetra
