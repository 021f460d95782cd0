#include "renderer/script_context_lifecycle.h"

#include "printer/model_config_loader.h"
#include "printer/printer_sessions.h"

namespace lumetra {

void onScriptContextCreated(Context& context) {
  PrinterTables tables(context.printers);
  loadModelConfig(tables.kitchenCommands(), kKitchenModelName);
}

void onScriptContextReleased(Context& context) {
  OutputSequence output(context.network.printers);
  closeAllPrinterSessions(context.network.printers);
  clearNetworkTransportFlags(context.network);
}

}  // namespace lumetra
