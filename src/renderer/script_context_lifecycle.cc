#include "renderer/script_context_lifecycle.h"

#include "printer/model_config_loader.h"
#include "printer/printer_sessions.h"

namespace lumetra {

void onScriptContextCreated(Context& context) {
  Printers& printers = context.printers;
  MutexLock lock(printers.printerLock);
  loadModelConfig(kitchenCommands(printers), kKitchenModelName);
}

void onScriptContextReleased(Context& context) {
  MutexLock output(context.network.printers.outputLock);
  closeAllPrinterSessions(context.network.printers);
  clearNetworkTransportFlags(context.network);
}

}  // namespace lumetra
